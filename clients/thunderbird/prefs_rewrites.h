// The three ways the Thunderbird writer changes prefs.js. Each adds its edits
// to those of the document; every statement it does not mean to change, and
// everything between statements, stays as it stands and in its place.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "clients/thunderbird/account_lines.h"
#include "clients/thunderbird/pref_file.h"
#include "clients/thunderbird/prefs_document.h"

namespace tw::thunderbird {

// A profile without accounts: its settings stay, and a fixed set for
// account2, identity id1, incoming server server2 and outgoing server smtp1,
// which is also made the default outgoing server, follows them.
void rewriteForFirstAccount(const PrefsDocument& document, const AccountSettings& settings, PrefsEdits& edits);

struct NewAccount {
    std::string account;   // "account3"
    std::string server;    // "server3"
    std::string identity;  // "id2"
    std::string smtp;      // a new outgoing server of its own, "smtp2"
    long long accountNumber = 0;
    bool makeDefault = false;
    bool localFolders = false;  // drafts and sent copies in the local folders
};

// Adds an account beside those the profile has. Its identity gets an outgoing
// server of its own, so the servers of the other accounts are never touched.
// Gives the list of outgoing servers as written.
std::string rewriteAddingAccount(const PrefsDocument& document, const NewAccount& account,
                                 const AccountSettings& settings, PrefsEdits& edits);

// Where an incoming server's folders are, as the start of their URIs says:
// "imap://ann%40example.com@imap.example.com" has the scheme "imap", the
// user "ann@example.com" and the host "imap.example.com".
struct ServerLocation {
    std::string scheme;
    std::string user;
    std::string host;
};

// The location of a server of the given type ("imap", "pop3", ...) from its
// user name and host; nothing without them.
std::optional<ServerLocation> serverLocation(std::optional<std::string_view> type,
                                             std::optional<std::string_view> user,
                                             std::optional<std::string_view> host);

// The folder URI moved from the old server to the new one ("imap://user@host",
// unescaped), keeping its path; nothing when it is on another server.
std::optional<std::string> movedFolderUri(std::string_view uri, const ServerLocation& from, std::string_view to);

struct ExistingAccount {
    std::string account;
    std::string server;
    std::string identity;
    std::string smtp;       // the identity's outgoing server, or a new one
    bool smtpIsNew = false;  // the identity named none, so it gets its own
    bool makeDefault = false;
    std::optional<ServerLocation> oldLocation;  // where the server's folders were
    std::string newServerUri;                   // where they are after the reset
};

// Resets the account's name, incoming server and outgoing server to the
// provider's settings in place; its address and place in the account list
// stay. Folder URIs that pointed at the server as it was follow it to its new
// user name and host. Gives the list of outgoing servers as written when the
// account got a new outgoing server, else nothing.
std::string rewriteResettingAccount(const PrefsDocument& document, const ExistingAccount& account,
                                    const AccountSettings& settings, PrefsEdits& edits);

// Edits that apply to a setting wherever it stands: the account list and the
// list of outgoing servers gain what was added, the default account moves,
// and Thunderbird's counter of account keys is moved past the account
// written. A list or default the file lacks is added at its end.
struct StandingPlan {
    std::string listedAccount{};   // added to the account list; empty for none
    std::string defaultAccount{};  // becomes the default account; empty to leave it
    std::string listedOutgoing{};  // added to the outgoing-server list; empty for none
    long long accountNumber = 0;   // "mail.account.lastKey" is kept at least this
};
// Gives the outgoing-server list as written; empty when it was not changed.
std::string addStandingEdits(const PrefsDocument& document, const StandingPlan& plan, PrefsEdits& edits);

}  // namespace tw::thunderbird
