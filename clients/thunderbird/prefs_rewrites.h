// The three ways the Thunderbird writer rewrites prefs.js. Each takes the
// lines of the file as it is and gives the complete text of the new file, CR
// LF ended; every line it does not mean to change is carried over as it stands
// and in its place.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "clients/thunderbird/account_lines.h"

namespace tw::thunderbird {

struct Prefs {
    std::string_view text;  // the whole file
    const std::vector<std::string_view>& lines;
};

// A profile without accounts: its lines stay, ahead of a fixed set for
// account2, identity id1, incoming server server2 and outgoing server smtp1,
// which is also made the default outgoing server.
std::string firstAccountFile(const Prefs& prefs, const AccountSettings& settings);

struct NewAccount {
    std::string account;   // "account3"
    std::string server;    // "server3"
    std::string identity;  // "id2"
    std::string smtp;      // a new outgoing server of its own, "smtp2"
    long long accountNumber = 0;
    bool makeDefault = false;
    bool localFolders = false;  // drafts and sent copies in the local folders
};

struct Rewritten {
    std::string text;
    std::string outgoingList;  // the outgoing-server list written, when it changed
};

// Adds an account beside those the profile has. Its identity gets an outgoing
// server of its own, so the servers of the other accounts are never touched.
Rewritten addAccountFile(const Prefs& prefs, const NewAccount& account, const AccountSettings& settings);

struct ExistingAccount {
    std::string account;
    std::string server;
    std::string identity;
    std::string smtp;       // the identity's outgoing server, or a new one
    bool smtpIsNew = false;  // the identity named none, so it gets its own
    bool makeDefault = false;
};

// Resets the account's name, incoming server and outgoing server to the
// provider's settings in place; its address, folders and place in the account
// list stay.
Rewritten resetAccountFile(const Prefs& prefs, const ExistingAccount& account, const AccountSettings& settings);

}  // namespace tw::thunderbird
