// What the Thunderbird writer learns from a profile's prefs.js before it
// rewrites it: whether there are accounts, the next free numbers, where a new
// identity keeps its copies, and which identity and account already serve an
// address. Only the keys of user_pref lines and the values that name other
// keys count; comments and other text never do.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tw::thunderbird {

class PrefsReader {
public:
    // Reads the text once. The text must outlive the reader.
    explicit PrefsReader(std::string_view text);

    // True when no key names an account ("mail.account.account" + number).
    bool hasNoAccounts() const { return !anyAccount_; }

    // One more than the highest number of the family in use, or 1. A number is
    // in use where it is part of a key and where another setting names it (an
    // account list, an account's server, an identity's outgoing server). Gaps
    // are never reused: after account1 and account7 comes account8.
    long long nextAccountNumber() const { return following(highestAccount_); }
    long long nextIdentityNumber() const { return following(highestIdentity_); }
    long long nextServerNumber() const { return following(highestServer_); }
    long long nextOutgoingServerNumber() const { return following(highestOutgoing_); }

    // Whether a new identity keeps drafts and sent copies in the local folders:
    // when it is the first identity, or when any identity already does.
    bool usesLocalFoldersForCopies(long long identityNumber) const {
        return identityNumber == 1 || localFolderCopies_;
    }

    // The key ("id4") of the first identity whose address is the given one,
    // ignoring the case of ASCII letters. The address is compared in the form
    // the file holds it (UTF-8, escaped).
    std::optional<std::string> findIdentityByAddress(std::string_view fileAddress) const;

    // The key ("account3") of the first account whose identity list holds the
    // identity as a whole element (id1 is not id10). Reads the text again.
    std::optional<std::string> findAccountOfIdentity(std::string_view identity) const;

    // The value of the last line with exactly this key, as Thunderbird takes
    // the last one; nothing when there is none. Reads the text again.
    std::optional<std::string_view> value(std::string_view key) const;

private:
    struct StoredAddress {
        std::string_view identityNumber;
        std::string_view address;
    };

    static long long following(long long highest) { return (highest < 0 ? 0 : highest) + 1; }
    void readLine(std::string_view line);
    void readAccountLine(std::string_view key, std::string_view line);
    void readIdentityLine(std::string_view key, std::string_view line);

    std::string_view text_;
    bool anyAccount_ = false;
    long long highestAccount_ = -1;
    long long highestIdentity_ = -1;
    long long highestServer_ = -1;
    long long highestOutgoing_ = -1;
    bool localFolderCopies_ = false;
    std::vector<StoredAddress> addresses_;
};

// The elements of a comma-separated list value, without surrounding blanks.
std::vector<std::string_view> listElements(std::string_view list);

}  // namespace tw::thunderbird
