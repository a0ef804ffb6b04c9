// Starting the configured client when the dialog closes after a success.
#pragma once

#include <string>
#include <string_view>

#include "core/client_kind.h"
#include "core/session_log.h"

namespace tw {

// The program to start from an App Paths value: the path itself, without the
// double quotes that some installers put around it.
std::string launchTarget(std::string_view appPath);

// Starts the client from its App Paths entry, found in either registry view,
// with "%ProgramFiles%" (the program folder of that view's bitness) and
// "%ProgramFiles(x86)%" expanded, and logs the path. A client without an entry
// (or an empty one) is not started and nothing is logged.
void launchClient(ClientKind kind, SessionLog& log);

}  // namespace tw
