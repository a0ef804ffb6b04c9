// Everything one run carries: the request, the session log and the values that
// detection and the driver share.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/account_request.h"
#include "core/session_log.h"

namespace tw {

struct RunState {
    AccountRequest request;
    SessionLog log;
    int outlookMajorVersion = -1;  // below 10 (or unknown) selects the Outlook 2000 writer
    bool successFlag = false;      // the last run ended with OutcomeConfigured
    bool runEnded = false;         // an end-of-run block was written and the log closed
    // The copies of address and display name that the writers are built from.
    std::string address;
    std::string displayName;
};

// What the driver does to the dialog when there is one; all empty in a windowless run.
struct DialogHooks {
    std::function<void()> readControls;
    std::function<void()> writeControls;
    std::function<void()> showFinishedView;
    std::function<void(std::string_view)> setIntroText;
};

}  // namespace tw
