#include <algorithm>
#include <utility>
#include <vector>

#include "clients/thunderbird/prefs_rewrites.h"
#include "core/ascii.h"

namespace tw::thunderbird {
namespace {

constexpr OutgoingField kResetOutgoingFields[] = {OutgoingField::Hostname, OutgoingField::RealHostname,
                                                  OutgoingField::UserName, OutgoingField::AuthMethod,
                                                  OutgoingField::Port,     OutgoingField::TrySsl};
// Written even where the server had no such statement, so that the reset
// settings hold.
constexpr OutgoingField kRequiredOutgoingFields[] = {OutgoingField::AuthMethod, OutgoingField::Port,
                                                     OutgoingField::TrySsl};

void resetSettings(const ExistingAccount& account, const AccountSettings& settings, PrefsEdits& edits) {
    edits.replaceAll(identityKey(account.identity, "fullName"), identityNameLine(account.identity, settings));
    // The server's ".name" and ".isSecure" stay as the user has them.
    for (ServerField field : {ServerField::Hostname, ServerField::RealHostname, ServerField::LoginAtStartup,
                              ServerField::Type, ServerField::Port, ServerField::UserName}) {
        edits.replaceAll(serverKey(account.server, fieldName(field)), serverLine(account.server, field, settings));
    }
}

void resetOutgoingServer(const PrefsDocument& document, const ExistingAccount& account,
                         const AccountSettings& settings, PrefsEdits& edits) {
    const std::size_t end = document.atEnd();
    if (account.smtpIsNew) {
        edits.insert(end, identityOutgoingLine(account.identity, account.smtp));
        for (const auto& line : newOutgoingServerLines(account.smtp, settings)) edits.insert(end, line);
        return;
    }
    for (OutgoingField field : kResetOutgoingFields) {
        const std::string line = outgoingLine(account.smtp, field, settings);
        const bool replaced = edits.replaceAll(outgoingKey(account.smtp, fieldName(field)), line);
        const bool required = std::find(std::begin(kRequiredOutgoingFields), std::end(kRequiredOutgoingFields),
                                        field) != std::end(kRequiredOutgoingFields);
        if (!replaced && required) edits.insert(end, line);
    }
}

// Without a socket type Thunderbird goes by ".isSecure", which earlier
// versions of this account may have left true although SSL is now off.
void resetSocketType(const PrefsDocument& document, const ExistingAccount& account, const AccountSettings& settings,
                     PrefsEdits& edits) {
    const std::string line = serverLine(account.server, ServerField::SocketType, settings);
    if (!edits.replaceAll(serverKey(account.server, fieldName(ServerField::SocketType)), line)) {
        edits.insert(document.atEnd(), line);
    }
}

// Folders are found by URI, and an IMAP or POP server's URI holds its user
// name and host. Drafts, sent copies, archives, templates or a junk folder on
// the server as it was would point at no folder after the reset.
void moveFolders(const PrefsDocument& document, const ExistingAccount& account, PrefsEdits& edits) {
    if (!account.oldLocation) return;
    const auto& entries = document.entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& entry = entries[i];
        const std::string_view key = document.key(entry);
        if (entry.type != PrefType::String || !(key.starts_with("mail.identity.") || key.starts_with("mail.server.")))
            continue;
        const std::string_view uri = document.value(entry);
        const auto moved = movedFolderUri(uri, *account.oldLocation, account.newServerUri);
        if (!moved || *moved == uri) continue;
        const std::string statement = stringPref(key, escapePrefString(*moved));
        if (entry.user) {
            edits.replace(entry, statement);
        } else if (document.isEffective(i)) {
            edits.insert(document.atEnd(), statement);  // a user value over the default
        }
    }
}

}  // namespace

std::optional<ServerLocation> serverLocation(std::optional<std::string_view> type, std::optional<std::string_view> user,
                                             std::optional<std::string_view> host) {
    if (!user || !host || user->empty() || host->empty()) return std::nullopt;
    // The scheme of the server's folders: IMAP folders are on the server,
    // news groups are news, every other kind keeps its mail in local mailboxes.
    const std::string kind = lowerAscii(type.value_or("imap"));
    const std::string scheme = kind == "imap" ? "imap" : kind == "nntp" ? "news" : "mailbox";
    return ServerLocation{scheme, std::string(*user), std::string(*host)};
}

std::optional<std::string> movedFolderUri(std::string_view uri, const ServerLocation& from, std::string_view to) {
    const auto schemeEnd = uri.find("://");
    if (schemeEnd == std::string_view::npos || !equalIgnoringCase(uri.substr(0, schemeEnd), from.scheme)) {
        return std::nullopt;
    }
    const std::string_view rest = uri.substr(schemeEnd + 3);
    const std::string_view authority = rest.substr(0, rest.find('/'));
    const auto at = authority.rfind('@');
    if (at == std::string_view::npos) return std::nullopt;
    if (!equalIgnoringCase(decodeUri(authority.substr(0, at)), from.user) ||
        !equalIgnoringCase(authority.substr(at + 1), from.host)) {
        return std::nullopt;
    }
    std::string moved(to);
    moved += rest.substr(authority.size());
    return moved;
}

std::string rewriteResettingAccount(const PrefsDocument& document, const ExistingAccount& account,
                                    const AccountSettings& settings, PrefsEdits& edits) {
    resetSettings(account, settings, edits);
    moveFolders(document, account, edits);
    resetOutgoingServer(document, account, settings, edits);
    resetSocketType(document, account, settings, edits);
    return addStandingEdits(document,
                            {.defaultAccount = account.makeDefault ? account.account : std::string(),
                             .listedOutgoing = account.smtpIsNew ? account.smtp : std::string()},
                            edits);
}

}  // namespace tw::thunderbird
