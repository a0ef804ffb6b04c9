// The three ways the Thunderbird writer rewrites prefs.js. Each takes the
// text of the file as it is and writes the whole new file to out; every line
// it does not mean to change is carried over as it stands and in its place.
#pragma once

#include <string>
#include <string_view>

#include "clients/thunderbird/account_lines.h"
#include "clients/thunderbird/pref_file.h"

namespace tw::thunderbird {

// A profile without accounts: its lines stay, ahead of a fixed set for
// account2, identity id1, incoming server server2 and outgoing server smtp1,
// which is also made the default outgoing server.
void rewriteForFirstAccount(std::string_view prefs, const AccountSettings& settings, PrefsOutput& out);

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
std::string rewriteAddingAccount(std::string_view prefs, const NewAccount& account, const AccountSettings& settings,
                                 PrefsOutput& out);

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
// list stay. Gives the list of outgoing servers as written when the account
// got a new outgoing server, else nothing.
std::string rewriteResettingAccount(std::string_view prefs, const ExistingAccount& account,
                                    const AccountSettings& settings, PrefsOutput& out);

}  // namespace tw::thunderbird
