// What the Thunderbird writer learns from a profile's prefs.js before it
// rewrites it: whether there are accounts, the next free numbers, where a new
// identity keeps its copies, and which identity and account already serve an
// address. Every question reads all lines afresh, so the answers never depend
// on the order they are asked in.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tw::thunderbird {

class PrefsReader {
public:
    explicit PrefsReader(const std::vector<std::string_view>& lines) : lines_(lines) {}

    // True when no line names an account ("mail.account.account" + number).
    bool hasNoAccounts() const;

    // One more than the highest number of the family in use, or 1. A number is
    // in use where it is part of a key and where another setting names it (an
    // account list, an account's server, an identity's outgoing server). Gaps
    // are never reused: after account1 and account7 comes account8.
    long long nextAccountNumber() const;
    long long nextIdentityNumber() const;
    long long nextServerNumber() const;
    long long nextOutgoingServerNumber() const;

    // Whether a new identity keeps drafts and sent copies in the local folders:
    // when it is the first identity, or when any identity already does.
    bool usesLocalFoldersForCopies(long long identityNumber) const;

    // The key ("id4") of the first identity whose address is the given one,
    // ignoring the case of ASCII letters. The address is compared in the form
    // the file holds it (UTF-8, escaped).
    std::optional<std::string> findIdentityByAddress(std::string_view fileAddress) const;

    // The key ("account3") of the first account whose identity list holds the
    // identity as a whole element (id1 is not id10).
    std::optional<std::string> findAccountOfIdentity(std::string_view identity) const;

    // The value of the last line with exactly this key, as Thunderbird takes
    // the last one; nothing when there is none.
    std::optional<std::string_view> value(std::string_view key) const;

private:
    long long highestNumberAfter(std::string_view marker) const;
    long long highestInLists(std::string_view marker, std::string_view prefix) const;

    const std::vector<std::string_view>& lines_;
};

// The elements of a comma-separated list value, without surrounding blanks.
std::vector<std::string_view> listElements(std::string_view list);

}  // namespace tw::thunderbird
