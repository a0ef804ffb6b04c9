#include "ui/config_dlg.h"

#include "detect/default_client.h"
#include "detect/installed_clients.h"
#include "detect/running_clients.h"

namespace tw {

bool ConfigDlg::initialiseWindowless() {
    AccountRequest& request = state_.request;
    request.defaultClientCode = -1;
    openSessionLog(state_.log, true);

    const InstalledClients installed = detectInstalledClients(state_.log);
    if (installed.installed[Outlook]) state_.outlookMajorVersion = installed.outlookMajorVersion;

    if (!checkRunningClients(state_.log, request.closeRunningClients)) {
        state_.runEnded = true;
        return false;
    }

    request.defaultClientCode = detectDefaultClient();
    state_.log << "Detecting default email client ... " << "done.";
    state_.log.endLineBlank();
    return true;
}

RunResult ConfigDlg::configure() { return runConfigurationDriver(state_); }

}  // namespace tw
