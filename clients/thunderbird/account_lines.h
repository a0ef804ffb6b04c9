// The user_pref lines that make up one IMAP account of the provider: the
// account, its identity, its incoming server and its outgoing (SMTP) server.
// Servers, identities and accounts are named by their keys as prefs.js has
// them ("account2", "id1", "server2", "smtp1").
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tw::thunderbird {

// The values the lines are built from, in the form they take in the text they
// go to: string values escaped, host names and ports from the provider.
struct AccountSettings {
    std::string name;
    std::string address;
    std::string folderUser;  // the address as the account's folder URIs carry it
    std::string incomingHost;
    std::string outgoingHost;
    int imapPort = 0;
    int smtpPort = 0;
    int socketType = 0;  // 3 (SSL) or 0 (plain), for ".socketType" and ".try_ssl"
};

// address and name are in the encoding of the text the lines go to.
AccountSettings makeAccountSettings(std::string_view address, std::string_view name, bool useSsl);

std::string stringPref(std::string_view key, std::string_view escapedValue);
std::string barePref(std::string_view key, std::string_view value);

std::string accountKey(std::string_view account, std::string_view field);
std::string identityKey(std::string_view identity, std::string_view field);
std::string serverKey(std::string_view server, std::string_view field);
std::string outgoingKey(std::string_view smtp, std::string_view field);

inline constexpr std::string_view kAccountListKey = "mail.accountmanager.accounts";
inline constexpr std::string_view kDefaultAccountKey = "mail.accountmanager.defaultaccount";
inline constexpr std::string_view kOutgoingListKey = "mail.smtpservers";
inline constexpr std::string_view kDefaultOutgoingKey = "mail.smtp.defaultserver";
inline constexpr std::string_view kLastAccountKey = "mail.account.lastKey";

std::string accountIdentitiesLine(std::string_view account, std::string_view identity);
std::string accountServerLine(std::string_view account, std::string_view server);
std::string accountListLine(std::string_view list);
std::string defaultAccountLine(std::string_view account);
std::string outgoingListLine(std::string_view list);
std::string defaultOutgoingLine(std::string_view smtp);

std::string identityNameLine(std::string_view identity, const AccountSettings& settings);
std::string identityOutgoingLine(std::string_view identity, std::string_view smtp);
std::string identityAddressLine(std::string_view identity, const AccountSettings& settings);
// Drafts and sent copies either in the local folders or on the account itself.
std::string identityDraftsLine(std::string_view identity, const AccountSettings& settings, bool localFolders);
std::string identitySentLine(std::string_view identity, const AccountSettings& settings, bool localFolders);

// The incoming server's settings, in the order a new account writes them.
enum class ServerField { Hostname, RealHostname, LoginAtStartup, Type, UserName, Name, IsSecure, Port, SocketType };
inline constexpr ServerField kServerFields[] = {ServerField::Hostname, ServerField::RealHostname,
                                                ServerField::LoginAtStartup, ServerField::Type,
                                                ServerField::UserName, ServerField::Name,
                                                ServerField::IsSecure, ServerField::Port,
                                                ServerField::SocketType};
std::string_view fieldName(ServerField field);
std::string serverLine(std::string_view server, ServerField field, const AccountSettings& settings);

// The outgoing server's settings; a new server gets the first five, in order.
enum class OutgoingField { AuthMethod, Port, TrySsl, Hostname, UserName, RealHostname };
inline constexpr OutgoingField kNewOutgoingFields[] = {OutgoingField::AuthMethod, OutgoingField::Port,
                                                       OutgoingField::TrySsl, OutgoingField::Hostname,
                                                       OutgoingField::UserName};
std::string_view fieldName(OutgoingField field);
std::string outgoingLine(std::string_view smtp, OutgoingField field, const AccountSettings& settings);

// Everything of a new account after its account lines: identity name and
// outgoing server, the incoming server, the identity's address and folders.
std::vector<std::string> newIdentityAndServerLines(std::string_view identity, std::string_view server,
                                                   std::string_view smtp, const AccountSettings& settings,
                                                   bool localFolders);
// A new outgoing server.
std::vector<std::string> newOutgoingServerLines(std::string_view smtp, const AccountSettings& settings);

}  // namespace tw::thunderbird
