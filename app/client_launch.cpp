#include "app/client_launch.h"

#include "core/markers.h"
#include "core/registry_access.h"
#include "platform/system.h"

namespace tw {

std::string launchTarget(std::string_view appPath) {
    if (appPath.size() >= 2 && appPath.front() == '"' && appPath.back() == '"') {
        appPath = appPath.substr(1, appPath.size() - 2);
    }
    return std::string(appPath);
}

void launchClient(ClientKind kind, SessionLog& log) {
    if (!isClientKind(kind)) return;
    RegistryView view = RegistryView::Bits64;
    const std::string entry = programPath(clientImageName(kind), platform::kKeyRead, &view);
    if (entry == kErrorMarker || entry.empty()) return;
    const std::string path = expandProgramFiles(entry, view);
    log << "Email client path to start is : " << path;
    log.endLineBlank();
    // The path goes in as the program to run, and quoted as the command line:
    // given unquoted as a whole command line, "C:\Program Files\..." would let
    // Windows try "C:\Program.exe" first.
    const std::string program = launchTarget(path);
    platform::startProcess(program, "\"" + program + "\"");
}

}  // namespace tw
