#include "clients/thunderbird/prefs_rewrites.h"

#include "clients/thunderbird/pref_file.h"
#include "clients/thunderbird/standing_edits.h"

namespace tw::thunderbird {

void rewriteForFirstAccount(std::string_view prefs, const AccountSettings& settings, PrefsOutput& out) {
    constexpr std::string_view kAccount = "account2";
    constexpr std::string_view kServer = "server2";
    constexpr std::string_view kIdentity = "id1";
    constexpr std::string_view kSmtp = "smtp1";

    // The settings the profile has already stay; the account's lines follow
    // them, so they win over any stale line for the same keys.
    StandingEdits edits({.accountNumber = 2});
    LineReader reader(prefs);
    for (std::string_view line; reader.next(line);) edits.copy(line, out);

    out.add(accountIdentitiesLine(kAccount, kIdentity));
    out.add(accountServerLine(kAccount, kServer));
    out.add(accountListLine(kAccount));
    out.add(defaultAccountLine(kAccount));
    for (const auto& line : newIdentityAndServerLines(kIdentity, kServer, kSmtp, settings, true)) out.add(line);
    for (const auto& line : newOutgoingServerLines(kSmtp, settings)) out.add(line);
    out.add(outgoingListLine(kSmtp));
    out.add(defaultOutgoingLine(kSmtp));
}

}  // namespace tw::thunderbird
