// Looks for running mail clients before anything is written.
#pragma once

#include "core/session_log.h"

namespace tw {

// True when the run may go on: no client runs, or closeRunningClients is set and
// every running client was terminated. Otherwise (a client runs and may not be
// closed, or could not be, or the running programs could not be listed) the
// stop is logged, the log is closed and the answer is false.
bool checkRunningClients(SessionLog& log, bool closeRunningClients);

}  // namespace tw
