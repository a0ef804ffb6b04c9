#include "clients/thunderbird/prefs_rewrites.h"

#include "clients/thunderbird/pref_file.h"
#include "clients/thunderbird/standing_edits.h"

namespace tw::thunderbird {
namespace {

// A line of the account that is replaced wherever it stands.
struct Replacement {
    std::string key;
    std::string line;
    bool seen = false;
};

class Replacements {
public:
    void add(std::string key, std::string line) { items_.push_back({std::move(key), std::move(line)}); }

    // The replacement for the line's key, marked as seen; nothing for other lines.
    const Replacement* match(std::string_view line) {
        const std::string_view key = prefKey(line);
        if (key.empty()) return nullptr;
        for (auto& item : items_) {
            if (item.key == key) {
                item.seen = true;
                return &item;
            }
        }
        return nullptr;
    }

    bool seen(std::string_view key) const {
        for (const auto& item : items_) {
            if (item.key == key) return item.seen;
        }
        return false;
    }

private:
    std::vector<Replacement> items_;
};

void addServerFields(Replacements& replacements, const ExistingAccount& account, const AccountSettings& settings) {
    // The server's ".name" and ".isSecure" stay as the user has them.
    for (ServerField field : {ServerField::Hostname, ServerField::RealHostname, ServerField::LoginAtStartup,
                              ServerField::Type, ServerField::Port, ServerField::SocketType, ServerField::UserName}) {
        replacements.add(serverKey(account.server, fieldName(field)), serverLine(account.server, field, settings));
    }
}

constexpr OutgoingField kResetOutgoingFields[] = {OutgoingField::Hostname, OutgoingField::RealHostname,
                                                  OutgoingField::UserName, OutgoingField::AuthMethod,
                                                  OutgoingField::Port,     OutgoingField::TrySsl};
// Written even where the server had no such line, so that the reset settings hold.
constexpr OutgoingField kRequiredOutgoingFields[] = {OutgoingField::AuthMethod, OutgoingField::Port,
                                                     OutgoingField::TrySsl};

Replacements replacementsFor(const ExistingAccount& account, const AccountSettings& settings) {
    Replacements replacements;
    replacements.add(identityKey(account.identity, "fullName"), identityNameLine(account.identity, settings));
    addServerFields(replacements, account, settings);
    if (!account.smtpIsNew) {
        for (OutgoingField field : kResetOutgoingFields) {
            replacements.add(outgoingKey(account.smtp, fieldName(field)), outgoingLine(account.smtp, field, settings));
        }
    }
    return replacements;
}

void addMissingLines(const Replacements& replacements, const ExistingAccount& account,
                     const AccountSettings& settings, PrefsOutput& out) {
    if (account.smtpIsNew) {
        out.add(identityOutgoingLine(account.identity, account.smtp));
        for (const auto& line : newOutgoingServerLines(account.smtp, settings)) out.add(line);
    } else {
        for (OutgoingField field : kRequiredOutgoingFields) {
            if (!replacements.seen(outgoingKey(account.smtp, fieldName(field)))) {
                out.add(outgoingLine(account.smtp, field, settings));
            }
        }
    }
    // Without a socket type Thunderbird goes by ".isSecure", which earlier
    // versions of this account may have left true although SSL is now off.
    if (!replacements.seen(serverKey(account.server, fieldName(ServerField::SocketType)))) {
        out.add(serverLine(account.server, ServerField::SocketType, settings));
    }
}

}  // namespace

std::string rewriteResettingAccount(std::string_view prefs, const ExistingAccount& account,
                                    const AccountSettings& settings, PrefsOutput& out) {
    StandingEdits edits({.defaultAccount = account.makeDefault ? account.account : std::string(),
                         .listedOutgoing = account.smtpIsNew ? account.smtp : std::string()});
    Replacements replacements = replacementsFor(account, settings);
    LineReader reader(prefs);
    for (std::string_view line; reader.next(line);) {
        if (const Replacement* replacement = replacements.match(line)) {
            out.add(replacement->line);
        } else {
            edits.copy(line, out);
        }
    }
    addMissingLines(replacements, account, settings, out);
    edits.finish(out);
    return edits.outgoingList();
}

}  // namespace tw::thunderbird
