// The program's own entry point, called by the platform's start-up code with
// nothing but the process exit status expected back.
#pragma once

namespace tw {
int programMain();
}
