// Starts a program with a command line exactly as a file holds it and ends
// with the program's exit status:  exact_launch.exe C:\path\commandline.txt
// Wine builds a program's command line from Unix arguments and escapes every
// quote inside one; a display name with a quote in it can only reach the
// program as a user would type it this way.
#include <cstdint>
#include <string>

#include "platform/files.h"
#include "platform/system.h"

int main(int argc, char** argv) {
    if (argc != 2) return 125;
    std::string commandLine;
    if (tw::platform::readWholeFile(argv[1], commandLine) != tw::platform::kSuccess) return 126;
    while (!commandLine.empty() && (commandLine.back() == '\n' || commandLine.back() == '\r')) commandLine.pop_back();
    std::uint32_t exitCode = 0;
    if (tw::platform::runProcess(commandLine, exitCode) != tw::platform::kSuccess) return 127;
    return static_cast<int>(exitCode);
}
