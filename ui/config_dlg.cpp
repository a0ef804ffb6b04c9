#include "ui/config_dlg.h"

#include <array>

#include "app/client_launch.h"
#include "core/address_check.h"
#include "detect/default_client.h"
#include "detect/installed_clients.h"
#include "detect/running_clients.h"
#include "ui/about_dlg.h"
#include "ui/resource.h"

namespace tw {
namespace {

// The radio group in client order: the index of a button is its ClientKind.
constexpr std::array<int, kClientCount> kClientButtons = {IDC_OUTLOOK_EXPRESS, IDC_OUTLOOK, IDC_WINDOWS_MAIL,
                                                          IDC_EUDORA, IDC_THUNDERBIRD};

// Everything that belongs to the input state; the finished view hides it.
constexpr std::array kInputControls = {
    IDC_CONFIGURE,  IDC_ABOUT,         IDC_DISPLAY_NAME, IDC_ADDRESS,       IDC_MAKE_DEFAULT, IDC_OVERWRITE,
    IDC_USE_SSL,    IDC_OUTLOOK_EXPRESS, IDC_OUTLOOK,    IDC_WINDOWS_MAIL,  IDC_EUDORA,       IDC_THUNDERBIRD,
    IDC_SELECT_ONE, IDC_DETAILS_LABEL, IDC_NAME_LABEL,   IDC_ADDRESS_LABEL};

constexpr std::string_view kRunningClientMessage = "Please exit all running email clients, and then restart Tidewell.";

bool isClientButton(int id) {
    for (int button : kClientButtons) {
        if (button == id) return true;
    }
    return false;
}

}  // namespace

bool isWellFormedAddress(std::string_view address) {
    if (addressProblem(address)) return false;
    if (address.size() < 2) return false;
    const auto at = address.find('@', 1);
    if (at == std::string_view::npos) return false;
    const auto dot = address.find('.', at);
    return dot != std::string_view::npos && dot + 1 < address.size();
}

bool canConfigure(const AccountRequest& request) {
    return !request.displayName.empty() && isWellFormedAddress(request.address) && isClientKind(request.clientKind);
}

ConfigDlg::ConfigDlg() : Dialog(IDD_TIDEWELL_DIALOG) {}

bool ConfigDlg::initialiseWindowless() { return initialise(true); }

RunResult ConfigDlg::configure() { return runConfigurationDriver(state_); }

bool ConfigDlg::onInitDialog() {
    Dialog::onInitDialog();
    initialise(false);
    // The finished view has put the focus on Close itself.
    return !finished_;
}

bool ConfigDlg::initialise(bool windowless) {
    AccountRequest& request = state_.request;
    request.defaultClientCode = -1;
    if (!windowless) {
        window().setItemChecked(IDC_OVERWRITE, true);
        window().setItemChecked(IDC_USE_SSL, true);
        setBigIcon(IDR_MAINFRAME);
        setSmallIcon(IDR_MAINFRAME);
        updateData(true);
        window().showItem(IDC_LAUNCH, false);
        window().enableItem(IDC_LAUNCH, false);
    }

    openSessionLog(state_.log, windowless);

    // A client that is not installed cannot be chosen.
    const auto disableClient = [this](ClientKind kind) { window().enableItem(kClientButtons[kind], false); };
    const InstalledClients installed =
        detectInstalledClients(state_.log, windowless ? std::function<void(ClientKind)>() : disableClient);
    state_.outlookMajorVersion = installed.outlookMajorVersion;

    if (!checkRunningClients(state_.log, request.closeRunningClients)) {
        // The check has logged the stop and closed the log; the user can only close.
        state_.runEnded = true;
        if (!windowless) {
            showFinishedView();
            window().setItemText(IDC_INTRO, kRunningClientMessage);
        }
        return false;
    }

    reportDefaultClient(windowless);
    return true;
}

void ConfigDlg::reportDefaultClient(bool windowless) {
    std::string failure;
    const int code = detectDefaultClient(&failure);
    state_.request.defaultClientCode = code;
    SessionLog& log = state_.log;
    log << "Detecting default email client ... ";
    if (windowless) {
        log << "done.";
    } else if (code >= 1 && code <= kClientCount && window().itemEnabled(kClientButtons[code - 1])) {
        // Preselected only; the request learns the choice at the next read.
        window().setItemChecked(kClientButtons[code - 1], true);
        log << defaultClientLogText(code);
    } else {
        log << "unrecognized.";
    }
    if (!failure.empty()) {
        log.endLine();
        log << failure;
    }
    log.endLineBlank();
}

void ConfigDlg::doDataExchange(DataExchange& exchange) {
    AccountRequest& request = state_.request;
    exchange.text(IDC_ADDRESS, request.address);
    exchange.text(IDC_DISPLAY_NAME, request.displayName);
    exchange.radio(kClientButtons, request.clientKind);
    exchange.check(IDC_MAKE_DEFAULT, request.makeDefault);
    exchange.check(IDC_OVERWRITE, request.overwriteExisting);
    exchange.check(IDC_USE_SSL, request.useSsl);
    exchange.check(IDC_LAUNCH, request.launchClient);
}

bool ConfigDlg::onCommand(int id, int notifyCode) {
    if (id == IDC_CONFIGURE) {
        if (notifyCode == platform::kButtonClicked) onConfigure();
        return true;
    }
    if (id == IDC_ABOUT) {
        if (notifyCode == platform::kButtonClicked) {
            AboutDlg about;
            about.doModal(window());
        }
        return true;
    }
    if (id == IDC_ADDRESS || id == IDC_DISPLAY_NAME) {
        if (notifyCode == platform::kEditChanged) updateControlState();
        return true;
    }
    if (isClientButton(id)) {
        if (notifyCode == platform::kButtonClicked) updateControlState();
        return true;
    }
    return false;
}

void ConfigDlg::updateControlState() {
    // After a run the inputs are hidden for good; nothing may wake Configure.
    if (finished_) return;
    updateData(true);
    const AccountRequest& request = state_.request;
    // A disabled radio button can still end up checked (Wine checks one on
    // BM_CLICK); a client that is not installed is no choice.
    const bool clientAvailable =
        isClientKind(request.clientKind) && window().itemEnabled(kClientButtons[request.clientKind]);
    window().enableItem(IDC_CONFIGURE, canConfigure(request) && clientAvailable);
    // Eudora has no default account to set; the box keeps its check state.
    window().enableItem(IDC_MAKE_DEFAULT, request.clientKind != Eudora);
    updateData(false);
}

void ConfigDlg::onConfigure() {
    // Enter and BM_CLICK can deliver the command of a disabled default button
    // (Wine does), so the button's own state decides; and there is one run only.
    if (finished_ || !window().itemEnabled(IDC_CONFIGURE)) return;
    runConfigurationDriver(state_, dialogHooks());
}

DialogHooks ConfigDlg::dialogHooks() {
    DialogHooks hooks;
    hooks.readControls = [this] { updateData(true); };
    hooks.writeControls = [this] { updateData(false); };
    hooks.showFinishedView = [this] { showFinishedView(); };
    hooks.setIntroText = [this](std::string_view text) { window().setItemText(IDC_INTRO, text); };
    return hooks;
}

void ConfigDlg::showFinishedView() {
    finished_ = true;
    platform::DialogWindow dialog = window();
    for (int id : kInputControls) dialog.showItem(id, false);
    dialog.setItemText(platform::kIdCancel, "Close");
    dialog.setDefaultButton(platform::kIdCancel);
    dialog.enableItem(IDC_CONFIGURE, false);
    if (state_.successFlag) {
        dialog.showItem(IDC_LAUNCH, true);
        dialog.enableItem(IDC_LAUNCH, true);
        dialog.setItemChecked(IDC_LAUNCH, true);
    }
    // The focused control may just have been hidden.
    dialog.focusItem(platform::kIdCancel);
}

// There is no OK button: Enter with no enabled default button does nothing,
// rather than closing past the close's own steps.
void ConfigDlg::onOk() {}

void ConfigDlg::onCancel() {
    if (!closed_) {
        closed_ = true;
        SessionLog& log = state_.log;
        if (state_.successFlag) {
            updateData(true);
            if (state_.request.launchClient) launchClient(state_.request.clientKind, log);
            updateData(false);
            log.close();
            state_.runEnded = true;
        } else if (!state_.runEnded) {
            log << "* Configuration Incomplete. Terminated by user at " << timeStamp() << " *";
            log.endLineBlank();
            log.close();
            state_.runEnded = true;
        }
    }
    endDialog(platform::kIdCancel);
}

}  // namespace tw
