// Runs the Thunderbird writer once with the flags given, logging as a
// windowless run does; for requests the command line cannot make (it always
// asks for SSL):
//   configure_thunderbird.exe ADDRESS NAME [nossl] [default] [overwrite]
// The exit status is the writer's outcome.
#include <string_view>

#include "clients/thunderbird/thunderbird_writer.h"
#include "core/session_log.h"

int main(int argc, char** argv) {
    if (argc < 3) return 125;
    bool useSsl = true;
    bool makeDefault = false;
    bool overwriteExisting = false;
    for (int i = 3; i < argc; ++i) {
        const std::string_view flag = argv[i];
        if (flag == "nossl") useSsl = false;
        if (flag == "default") makeDefault = true;
        if (flag == "overwrite") overwriteExisting = true;
    }
    tw::SessionLog log;
    tw::openSessionLog(log, true);
    tw::ThunderbirdWriter writer(argv[1], argv[2], makeDefault, overwriteExisting, useSsl, log);
    const int outcome = writer.configure();
    log.close();
    return outcome;
}
