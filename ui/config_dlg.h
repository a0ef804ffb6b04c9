// The main dialog. It carries the run's request, performs the initialisation
// common to the dialog and the windowless run, and in the dialog lets the user
// fill the request and press Configure.
#pragma once

#include <string_view>

#include "app/configuration_driver.h"
#include "app/run_state.h"
#include "ui/dialog.h"

namespace tw {

// A loose shape check, not a full address grammar: a character before the first
// "@" (looked for from the second character on), a "." at or after it and at
// least one character after that "."; and nothing addressProblem refuses.
bool isWellFormedAddress(std::string_view address);

// Configure may be pressed: a name, a well-formed address and a client.
bool canConfigure(const AccountRequest& request);

class ConfigDlg : public Dialog {
public:
    ConfigDlg();

    RunState& state() { return state_; }
    AccountRequest& request() { return state_.request; }

    // The initialisation without a window: log and banner, installed clients,
    // running clients, default client. False when a running client ended the run.
    bool initialiseWindowless();

    // The Configure operation of a windowless run: one run of the driver.
    RunResult configure();

protected:
    bool onInitDialog() override;
    void doDataExchange(DataExchange& exchange) override;
    void onOk() override;
    void onCancel() override;
    bool onCommand(int id, int notifyCode) override;

private:
    // The steps shared by both runs; windowless skips every control.
    bool initialise(bool windowless);
    void reportDefaultClient(bool windowless);
    void updateControlState();
    void onConfigure();
    void showFinishedView();
    DialogHooks dialogHooks();

    RunState state_;
    bool finished_ = false;  // the finished view is showing; there is no way back
    bool closed_ = false;    // the close has run (its launch and log lines happen once)
};

}  // namespace tw
