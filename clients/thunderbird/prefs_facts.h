// What the whole of a prefs.js says about its accounts, gathered statement by
// statement as it is read: whether there are any, the highest numbers in use
// and whether some identity keeps its copies in the local folders.
#pragma once

#include <string_view>

namespace tw::thunderbird {

struct PrefsFacts {
    bool anyAccount = false;
    long long highestAccount = -1;
    long long highestIdentity = -1;
    long long highestServer = -1;
    long long highestOutgoing = -1;
    bool localFolderCopies = false;

    // A number is in use where it is part of a key and where another setting
    // names it (an account list, an account's server, an identity's outgoing
    // server).
    void read(std::string_view key, std::string_view value);

private:
    void readAccount(std::string_view key, std::string_view value);
    void readIdentity(std::string_view key, std::string_view value);
};

}  // namespace tw::thunderbird
