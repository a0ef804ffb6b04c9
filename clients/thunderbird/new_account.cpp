#include "clients/thunderbird/prefs_rewrites.h"

namespace tw::thunderbird {
namespace {

// The first statement of the key at or after the position.
const PrefsDocument::Entry* firstOf(const PrefsDocument& document, std::string_view key, std::size_t from) {
    for (const auto& entry : document.entries()) {
        if (entry.begin >= from && entry.user && document.key(entry) == key) return &entry;
    }
    return nullptr;
}

}  // namespace

std::string rewriteAddingAccount(const PrefsDocument& document, const NewAccount& account,
                                 const AccountSettings& settings, PrefsEdits& edits) {
    // The account's lines go where Thunderbird's sorted file has their
    // neighbours: its account lines before the first setting, the rest after
    // the default account, which follows the account list. Without those two,
    // at the end.
    const std::size_t head = document.beforeFirstStatement();
    edits.insert(head, accountIdentitiesLine(account.account, account.identity));
    edits.insert(head, accountServerLine(account.account, account.server));

    std::size_t rest = document.atEnd();
    if (const auto* list = firstOf(document, kAccountListKey, 0)) {
        if (const auto* defaultAccount = firstOf(document, kDefaultAccountKey, list->end)) {
            rest = document.after(*defaultAccount);
        }
    }
    for (const auto& line :
         newIdentityAndServerLines(account.identity, account.server, account.smtp, settings, account.localFolders)) {
        edits.insert(rest, line);
    }
    for (const auto& line : newOutgoingServerLines(account.smtp, settings)) edits.insert(rest, line);

    return addStandingEdits(document,
                            {.listedAccount = account.account,
                             .defaultAccount = account.makeDefault ? account.account : std::string(),
                             .listedOutgoing = account.smtp,
                             .accountNumber = account.accountNumber},
                            edits);
}

}  // namespace tw::thunderbird
