#include "clients/thunderbird/prefs_rewrites.h"

#include "clients/thunderbird/pref_file.h"
#include "clients/thunderbird/standing_edits.h"

namespace tw::thunderbird {
namespace {

// Walks the old lines once, in order, copying them through the standing edits.
class Walk {
public:
    Walk(const std::vector<std::string_view>& lines, PrefsOutput& out, StandingEdits& edits)
        : lines_(lines), out_(out), edits_(edits) {}

    // Copies lines up to the first that begins with "u", normally the first
    // user_pref line, which stays unread.
    void copyHeader() {
        while (next_ < lines_.size() && !lines_[next_].starts_with('u')) edits_.copy(lines_[next_++], out_);
    }

    // Copies lines up to and including the one with the key; false when the
    // file ends first, all of it copied.
    bool copyThroughKey(std::string_view key) {
        while (next_ < lines_.size()) {
            const std::string_view line = lines_[next_++];
            edits_.copy(line, out_);
            if (prefKey(line) == key) return true;
        }
        return false;
    }

    void copyRest() {
        while (next_ < lines_.size()) edits_.copy(lines_[next_++], out_);
    }

private:
    const std::vector<std::string_view>& lines_;
    PrefsOutput& out_;
    StandingEdits& edits_;
    std::size_t next_ = 0;
};

}  // namespace

Rewritten addAccountFile(const Prefs& prefs, const NewAccount& account, const AccountSettings& settings) {
    PrefsOutput out(expectedOutputSize(prefs.text, prefs.lines.size()));
    StandingEdits edits({.listedAccount = account.account,
                         .defaultAccount = account.makeDefault ? account.account : std::string(),
                         .listedOutgoing = account.smtp,
                         .accountNumber = account.accountNumber});
    Walk walk(prefs.lines, out, edits);

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
    return {out.release(), edits.outgoingList()};
}

}  // namespace tw::thunderbird
