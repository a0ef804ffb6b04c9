// Edits of prefs.js that apply to a line wherever it stands: the account list
// and the list of outgoing servers gain what was added, the default account
// moves, and Thunderbird's counter of account keys is moved past the account
// written. Lists that the file lacks are added at its end.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "clients/thunderbird/pref_file.h"

namespace tw::thunderbird {

class StandingEdits {
public:
    struct Plan {
        std::string listedAccount{};   // added to the account list; empty for none
        std::string defaultAccount{};  // becomes the default account; empty to leave it
        std::string listedOutgoing{};  // added to the outgoing-server list; empty for none
        long long accountNumber = 0;  // "mail.account.lastKey" is kept at least this
    };

    explicit StandingEdits(Plan plan) : plan_(std::move(plan)) {}

    // Adds the line to out, edited when it is one of those above.
    void copy(std::string_view line, PrefsOutput& out);
    // Adds the lines for what the file did not have.
    void finish(PrefsOutput& out);

    // The outgoing-server list as written; empty when it was not changed.
    const std::string& outgoingList() const { return outgoingList_; }

private:
    bool editList(std::string_view key, std::string_view line, PrefsOutput& out);

    Plan plan_;
    bool accountListSeen_ = false;
    bool defaultAccountSeen_ = false;
    bool outgoingListSeen_ = false;
    std::string outgoingList_;
};

}  // namespace tw::thunderbird
