// The main dialog object. It carries the run's request and performs the
// initialisation common to the dialog and the windowless run.
#pragma once

#include "app/configuration_driver.h"
#include "app/run_state.h"

namespace tw {

class ConfigDlg {
public:
    RunState& state() { return state_; }
    AccountRequest& request() { return state_.request; }

    // The initialisation without a window: log and banner, installed clients,
    // running clients, default client. False when a running client ended the run.
    bool initialiseWindowless();

    // The Configure operation: one run of the configuration driver.
    RunResult configure();

private:
    RunState state_;
};

}  // namespace tw
