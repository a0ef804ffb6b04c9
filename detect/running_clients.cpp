#include "detect/running_clients.h"

#include <array>
#include <string_view>
#include <vector>

#include "core/client_kind.h"
#include "platform/system.h"

namespace tw {

bool checkRunningClients(SessionLog& log, bool closeRunningClients) {
    // Image names compare exactly: "outlook.exe" is not Outlook.
    constexpr std::array<ClientKind, kClientCount> kOrder = {Outlook, Thunderbird, Eudora, OutlookExpress,
                                                             WindowsMail};
    bool clientRunning = false;
    bool clientLeftRunning = false;
    std::vector<platform::ProcessEntry> processes;
    if (const platform::Status rc = platform::processSnapshot(processes); rc != platform::kSuccess) {
        // A client may be running unseen: writing its settings now could be
        // lost to its own next save, so the run stops as for a running one.
        log << "Unable to list the running programs (CreateToolhelp32Snapshot error " << rc << "). Closing.";
        log.endLineBlank();
        log << "* Configuration Incomplete. Terminated automatically at " << timeStamp() << " *";
        log.endLineBlank();
        log.close();
        return false;
    }
    for (const auto& process : processes) {
        for (ClientKind kind : kOrder) {
            if (process.imageName != clientImageName(kind)) continue;
            clientRunning = true;
            if (!closeRunningClients) continue;
            const platform::Status rc = platform::terminateProcess(process.id, 0);
            // A process that has ended since the snapshot is as good as closed.
            if (rc == platform::kSuccess || rc == platform::kErrorInvalidParameter) {
                log << "Running Email Client Detected: " << process.imageName << ". Closed.";
            } else {
                // Writing a client's settings while it runs would lose them to
                // the client's own next save: stop instead.
                clientLeftRunning = true;
                log << "Running Email Client Detected: " << process.imageName << ". Could not be closed (error "
                    << rc << ").";
            }
            log.endLine();
        }
    }
    if (!clientRunning || (closeRunningClients && !clientLeftRunning)) return true;
    log.lineBlank("Running Email Client Detected. Closing.");
    log << "* Configuration Incomplete. Terminated automatically at " << timeStamp() << " *";
    log.endLineBlank();
    log.close();
    return false;
}

}  // namespace tw
