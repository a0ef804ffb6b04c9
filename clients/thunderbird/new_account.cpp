#include "clients/thunderbird/prefs_rewrites.h"

#include "clients/thunderbird/pref_file.h"
#include "clients/thunderbird/standing_edits.h"

namespace tw::thunderbird {
namespace {

// Walks the old lines once, in order, copying them through the standing edits.
class Walk {
public:
    Walk(std::string_view text, PrefsOutput& out, StandingEdits& edits) : reader_(text), out_(out), edits_(edits) {}

    // Copies lines up to the first that begins with "u", normally the first
    // user_pref line, which is held back for the next step.
    void copyHeader() {
        while (take()) {
            if (line_.starts_with('u')) {
                held_ = true;
                return;
            }
            edits_.copy(line_, out_);
        }
    }

    // Copies lines up to and including the one with the key; false when the
    // file ends first, all of it copied.
    bool copyThroughKey(std::string_view key) {
        while (take()) {
            edits_.copy(line_, out_);
            if (prefKey(line_) == key) return true;
        }
        return false;
    }

    void copyRest() {
        while (take()) edits_.copy(line_, out_);
    }

private:
    bool take() {
        if (held_) {
            held_ = false;
            return true;
        }
        return reader_.next(line_);
    }

    LineReader reader_;
    PrefsOutput& out_;
    StandingEdits& edits_;
    std::string_view line_;
    bool held_ = false;
};

}  // namespace

std::string rewriteAddingAccount(std::string_view prefs, const NewAccount& account, const AccountSettings& settings,
                                 PrefsOutput& out) {
    StandingEdits edits({.listedAccount = account.account,
                         .defaultAccount = account.makeDefault ? account.account : std::string(),
                         .listedOutgoing = account.smtp,
                         .accountNumber = account.accountNumber});
    Walk walk(prefs, out, edits);

    // The account's lines go where Thunderbird's sorted file has their
    // neighbours: its account lines before the first setting, the rest after
    // the default account, which follows the account list.
    walk.copyHeader();
    out.add(accountIdentitiesLine(account.account, account.identity));
    out.add(accountServerLine(account.account, account.server));
    if (walk.copyThroughKey(kAccountListKey)) walk.copyThroughKey(kDefaultAccountKey);

    for (const auto& line :
         newIdentityAndServerLines(account.identity, account.server, account.smtp, settings, account.localFolders)) {
        out.add(line);
    }
    for (const auto& line : newOutgoingServerLines(account.smtp, settings)) out.add(line);
    walk.copyRest();
    edits.finish(out);
    return edits.outgoingList();
}

}  // namespace tw::thunderbird
