// What the Thunderbird writer learns from a profile's prefs.js before it
// rewrites it: whether there are accounts, the next free numbers, where a new
// identity keeps its copies, and which identity and account already serve an
// address. Only statements count, with their keys and values as Thunderbird
// reads them; comments and text Thunderbird skips never do.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clients/thunderbird/prefs_document.h"

namespace tw::thunderbird {

class PrefsReader {
public:
    // The document must outlive the reader.
    explicit PrefsReader(const PrefsDocument& document) : document_(document) {}

    const PrefsDocument& document() const { return document_; }

    // True when no key names an account ("mail.account.account" + number).
    bool hasNoAccounts() const { return !facts().anyAccount; }

    // One more than the highest number of the family in use, or 1. A number is
    // in use where it is part of a key and where another setting names it (an
    // account list, an account's server, an identity's outgoing server). Gaps
    // are never reused: after account1 and account7 comes account8.
    long long nextAccountNumber() const { return following(facts().highestAccount); }
    long long nextIdentityNumber() const { return following(facts().highestIdentity); }
    long long nextServerNumber() const { return following(facts().highestServer); }
    long long nextOutgoingServerNumber() const { return following(facts().highestOutgoing); }

    // Whether a new identity keeps drafts and sent copies in the local folders:
    // when it is the first identity, or when any identity already does.
    bool usesLocalFoldersForCopies(long long identityNumber) const {
        return identityNumber == 1 || facts().localFolderCopies;
    }

    // The identities ("id4") whose address is the given one, ignoring the case
    // of ASCII letters, in the order of the file. The address is compared as
    // Thunderbird reads it (UTF-8, escapes resolved).
    std::vector<std::string> identitiesWithAddress(std::string_view address) const;

    // The key ("account3") of the first account whose identity list holds the
    // identity as a whole element (id1 is not id10).
    std::optional<std::string> findAccountOfIdentity(std::string_view identity) const;

    struct AddressAccount {
        std::string identity;
        std::optional<std::string> account;  // nothing when no account uses the identity
    };
    // The identity by which the address has an account of its own, and that
    // account. An identity that is only an alias in an account whose incoming
    // user is another address does not count: that account belongs to the
    // other address. Among several, the first that has an account.
    std::optional<AddressAccount> findAccountForAddress(std::string_view address) const;

    // The value Thunderbird takes for the key (see PrefsDocument::value).
    std::optional<std::string_view> value(std::string_view key) const { return document_.value(key); }

private:
    static long long following(long long highest) { return (highest < 0 ? 0 : highest) + 1; }
    const PrefsFacts& facts() const { return document_.facts(); }

    const PrefsDocument& document_;
};

// The elements of a comma-separated list value, without surrounding blanks.
std::vector<std::string_view> listElements(std::string_view list);

}  // namespace tw::thunderbird
