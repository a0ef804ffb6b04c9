#include "clients/thunderbird/prefs_rewrites.h"

namespace tw::thunderbird {

void rewriteForFirstAccount(const PrefsDocument& document, const AccountSettings& settings, PrefsEdits& edits) {
    constexpr std::string_view kAccount = "account2";
    constexpr std::string_view kServer = "server2";
    constexpr std::string_view kIdentity = "id1";
    constexpr std::string_view kSmtp = "smtp1";

    // The settings the profile has already stay; the account's lines follow
    // them, so they win over any stale statement of the same keys.
    const std::size_t end = document.atEnd();
    edits.insert(end, accountIdentitiesLine(kAccount, kIdentity));
    edits.insert(end, accountServerLine(kAccount, kServer));
    edits.insert(end, accountListLine(kAccount));
    edits.insert(end, defaultAccountLine(kAccount));
    for (const auto& line : newIdentityAndServerLines(kIdentity, kServer, kSmtp, settings, true)) {
        edits.insert(end, line);
    }
    for (const auto& line : newOutgoingServerLines(kSmtp, settings)) edits.insert(end, line);
    edits.insert(end, outgoingListLine(kSmtp));
    edits.insert(end, defaultOutgoingLine(kSmtp));
    addStandingEdits(document, {.accountNumber = 2}, edits);
}

}  // namespace tw::thunderbird
