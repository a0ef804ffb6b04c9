// Start-up: decides between the dialog and the windowless run.
#pragma once

#include <string_view>

namespace tw {

class ConfigApp {
public:
    // Runs the whole program for the command line that follows the program name
    // and returns the process exit status (see exit_status.h).
    int initInstance(std::string_view commandLineTail);
};

}  // namespace tw
