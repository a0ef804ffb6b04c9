// The exit status of a windowless run. 0 only when the account was configured.
// A dialog run ends with 0 once the dialog has been shown and closed: the
// dialog itself showed the result.
#pragma once

#include "core/outcome.h"

namespace tw {

enum ExitStatus : int {
    ExitConfigured = 0,
    // 1 to 6: the writer's outcome of the same number (OutcomeCannotConfigure ... OutcomeAutoAccountExists).
    ExitNoWriter = 7,            // no writer for that client number
    ExitNoDefault = 8,           // -auto: the -s search found no account
    ExitDefaultDNE = 9,          // -auto: the default account could not be read
    ExitUnsupportedDefault = 10, // -auto: the default client is not one the automatic form supports
    ExitClientRunning = 11,      // a mail client is running and was not to be closed
    ExitUsage = 64,              // the command line is incomplete or wrong; nothing was done
    ExitNoDialog = 69,           // no command line, and the dialog could not be opened
};

}  // namespace tw
