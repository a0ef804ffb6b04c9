#include "clients/thunderbird/prefs_rewrites.h"

namespace tw::thunderbird {
namespace {

// The key of one of the account's own statements: user_pref("key", value);
std::string_view statementKey(std::string_view statement) {
    const auto open = statement.find('"');
    const auto close = open == std::string_view::npos ? open : statement.find('"', open + 1);
    return close == std::string_view::npos ? std::string_view() : statement.substr(open + 1, close - open - 1);
}

}  // namespace

void rewriteForFirstAccount(const PrefsDocument& document, const AccountSettings& settings, PrefsEdits& edits) {
    constexpr std::string_view kAccount = "account2";
    constexpr std::string_view kServer = "server2";
    constexpr std::string_view kIdentity = "id1";
    constexpr std::string_view kSmtp = "smtp1";

    // The settings the profile has already stay; the account's lines follow
    // them, so they win over any stale statement of the same keys. Where the
    // file ends in text Thunderbird skips, the lines go before that text, and
    // a stale statement after them would win: that one is replaced instead.
    const std::size_t end = document.atEnd();
    const auto put = [&](const std::string& line) {
        const std::string_view key = statementKey(line);
        bool replaced = false;
        for (const auto& entry : document.entries()) {
            if (!entry.user || entry.begin < end || document.key(entry) != key) continue;
            edits.replace(entry, line);
            replaced = true;
        }
        if (!replaced) edits.insert(end, line);
    };
    put(accountIdentitiesLine(kAccount, kIdentity));
    put(accountServerLine(kAccount, kServer));
    put(accountListLine(kAccount));
    put(defaultAccountLine(kAccount));
    for (const auto& line : newIdentityAndServerLines(kIdentity, kServer, kSmtp, settings, true)) put(line);
    for (const auto& line : newOutgoingServerLines(kSmtp, settings)) put(line);
    put(outgoingListLine(kSmtp));
    put(defaultOutgoingLine(kSmtp));
    addStandingEdits(document, {.accountNumber = 2}, edits);
}

}  // namespace tw::thunderbird
