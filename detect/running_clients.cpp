#include "detect/running_clients.h"

#include <array>
#include <string_view>

#include "core/client_kind.h"
#include "platform/system.h"

namespace tw {

bool checkRunningClients(SessionLog& log, bool closeRunningClients) {
    // Image names compare exactly: "outlook.exe" is not Outlook.
    constexpr std::array<ClientKind, kClientCount> kOrder = {Outlook, Thunderbird, Eudora, OutlookExpress,
                                                             WindowsMail};
    bool clientRunning = false;
    for (const auto& process : platform::processSnapshot()) {
        for (ClientKind kind : kOrder) {
            if (process.imageName != clientImageName(kind)) continue;
            clientRunning = true;
            if (closeRunningClients) {
                platform::terminateProcess(process.id, 0);
                log << "Running Email Client Detected: " << process.imageName << ". Closed.";
                log.endLine();
            }
        }
    }
    if (!clientRunning || closeRunningClients) return true;
    log.lineBlank("Running Email Client Detected. Closing.");
    log << "* Configuration Incomplete. Terminated automatically at " << timeStamp() << " *";
    log.endLineBlank();
    log.close();
    return false;
}

}  // namespace tw
