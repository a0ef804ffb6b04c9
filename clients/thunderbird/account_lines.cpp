#include "clients/thunderbird/account_lines.h"

#include "clients/thunderbird/pref_file.h"
#include "core/provider.h"

namespace tw::thunderbird {
namespace {

std::string join(std::string_view a, std::string_view b, std::string_view c, std::string_view d = {}) {
    std::string text;
    text.reserve(a.size() + b.size() + c.size() + d.size());
    text.append(a).append(b).append(c).append(d);
    return text;
}

std::string folderUri(const AccountSettings& settings, bool localFolders, std::string_view folder) {
    if (localFolders) return join("mailbox://nobody@Local%20Folders/", folder, "");
    return join("imap://", settings.folderUser, "@", settings.incomingHost) + "/" + std::string(folder);
}

}  // namespace

AccountSettings makeAccountSettings(std::string_view address, std::string_view name, bool useSsl) {
    const ProviderServers servers = providerServers(useSsl);
    AccountSettings settings;
    settings.name = escapePrefString(name);
    settings.address = escapePrefString(address);
    settings.folderUser = encodeUriUserName(address);
    settings.incomingHost = escapePrefString(servers.incomingHost);
    settings.outgoingHost = escapePrefString(servers.outgoingHost);
    settings.imapPort = servers.imapPort;
    settings.smtpPort = servers.smtpPort;
    settings.socketType = useSsl ? 3 : 0;
    return settings;
}

// Keys are escaped too: one read from the file may hold a quote.
std::string stringPref(std::string_view key, std::string_view escapedValue) {
    return join("user_pref(\"", escapePrefString(key), "\", \"", escapedValue) + "\");";
}

std::string barePref(std::string_view key, std::string_view value) {
    return join("user_pref(\"", escapePrefString(key), "\", ", value) + ");";
}

std::string accountKey(std::string_view account, std::string_view field) {
    return join("mail.account.", account, ".", field);
}
std::string identityKey(std::string_view identity, std::string_view field) {
    return join("mail.identity.", identity, ".", field);
}
std::string serverKey(std::string_view server, std::string_view field) {
    return join("mail.server.", server, ".", field);
}
std::string outgoingKey(std::string_view smtp, std::string_view field) {
    return join("mail.smtpserver.", smtp, ".", field);
}

std::string accountIdentitiesLine(std::string_view account, std::string_view identity) {
    return stringPref(accountKey(account, "identities"), identity);
}
std::string accountServerLine(std::string_view account, std::string_view server) {
    return stringPref(accountKey(account, "server"), server);
}
std::string accountListLine(std::string_view list) { return stringPref(kAccountListKey, list); }
std::string defaultAccountLine(std::string_view account) { return stringPref(kDefaultAccountKey, account); }
std::string outgoingListLine(std::string_view list) { return stringPref(kOutgoingListKey, list); }
std::string defaultOutgoingLine(std::string_view smtp) { return stringPref(kDefaultOutgoingKey, smtp); }

std::string identityNameLine(std::string_view identity, const AccountSettings& settings) {
    return stringPref(identityKey(identity, "fullName"), settings.name);
}
std::string identityOutgoingLine(std::string_view identity, std::string_view smtp) {
    return stringPref(identityKey(identity, "smtpServer"), smtp);
}
std::string identityAddressLine(std::string_view identity, const AccountSettings& settings) {
    return stringPref(identityKey(identity, "useremail"), settings.address);
}
std::string identityDraftsLine(std::string_view identity, const AccountSettings& settings, bool localFolders) {
    return stringPref(identityKey(identity, "draft_folder"), folderUri(settings, localFolders, "Drafts"));
}
std::string identitySentLine(std::string_view identity, const AccountSettings& settings, bool localFolders) {
    return stringPref(identityKey(identity, "fcc_folder"), folderUri(settings, localFolders, "Sent"));
}

std::string_view fieldName(ServerField field) {
    switch (field) {
    case ServerField::Hostname: return "hostname";
    case ServerField::RealHostname: return "realhostname";
    case ServerField::LoginAtStartup: return "login_at_startup";
    case ServerField::Type: return "type";
    case ServerField::UserName: return "userName";
    case ServerField::Name: return "name";
    case ServerField::IsSecure: return "isSecure";
    case ServerField::Port: return "port";
    case ServerField::SocketType: return "socketType";
    }
    return {};
}

std::string serverLine(std::string_view server, ServerField field, const AccountSettings& settings) {
    const std::string key = serverKey(server, fieldName(field));
    switch (field) {
    case ServerField::Hostname:
    case ServerField::RealHostname: return stringPref(key, settings.incomingHost);
    case ServerField::LoginAtStartup:
    case ServerField::IsSecure: return barePref(key, "true");
    case ServerField::Type: return stringPref(key, "imap");
    case ServerField::UserName:
    case ServerField::Name: return stringPref(key, settings.address);
    case ServerField::Port: return barePref(key, std::to_string(settings.imapPort));
    case ServerField::SocketType: return barePref(key, std::to_string(settings.socketType));
    }
    return {};
}

std::string_view fieldName(OutgoingField field) {
    switch (field) {
    case OutgoingField::AuthMethod: return "auth_method";
    case OutgoingField::Port: return "port";
    case OutgoingField::TrySsl: return "try_ssl";
    case OutgoingField::Hostname: return "hostname";
    case OutgoingField::UserName: return "username";
    case OutgoingField::RealHostname: return "realhostname";
    }
    return {};
}

std::string outgoingLine(std::string_view smtp, OutgoingField field, const AccountSettings& settings) {
    const std::string key = outgoingKey(smtp, fieldName(field));
    switch (field) {
    case OutgoingField::AuthMethod: return barePref(key, "1");
    case OutgoingField::Port: return barePref(key, std::to_string(settings.smtpPort));
    case OutgoingField::TrySsl: return barePref(key, std::to_string(settings.socketType));
    case OutgoingField::Hostname:
    case OutgoingField::RealHostname: return stringPref(key, settings.outgoingHost);
    case OutgoingField::UserName: return stringPref(key, settings.address);
    }
    return {};
}

std::vector<std::string> newIdentityAndServerLines(std::string_view identity, std::string_view server,
                                                   std::string_view smtp, const AccountSettings& settings,
                                                   bool localFolders) {
    std::vector<std::string> lines{identityNameLine(identity, settings), identityOutgoingLine(identity, smtp)};
    for (ServerField field : kServerFields) lines.push_back(serverLine(server, field, settings));
    lines.push_back(identityAddressLine(identity, settings));
    lines.push_back(identityDraftsLine(identity, settings, localFolders));
    lines.push_back(identitySentLine(identity, settings, localFolders));
    return lines;
}

std::vector<std::string> newOutgoingServerLines(std::string_view smtp, const AccountSettings& settings) {
    std::vector<std::string> lines;
    for (OutgoingField field : kNewOutgoingFields) lines.push_back(outgoingLine(smtp, field, settings));
    return lines;
}

}  // namespace tw::thunderbird
