#include "clients/thunderbird/prefs_reader.h"

#include <algorithm>

#include "clients/thunderbird/account_lines.h"
#include "clients/thunderbird/pref_file.h"
#include "core/ascii.h"

namespace tw::thunderbird {
namespace {

constexpr std::string_view kUserEmail = ".useremail";

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool listHolds(std::string_view list, std::string_view element) {
    const auto elements = listElements(list);
    return std::find(elements.begin(), elements.end(), element) != elements.end();
}

}  // namespace

std::vector<std::string_view> listElements(std::string_view list) {
    std::vector<std::string_view> elements;
    while (!list.empty()) {
        const auto comma = list.find(',');
        const std::string_view element = trimmed(list.substr(0, comma));
        if (!element.empty()) elements.push_back(element);
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return elements;
}

std::vector<std::string> PrefsReader::identitiesWithAddress(std::string_view address) const {
    constexpr std::string_view kPrefix = "mail.identity.";
    std::vector<std::string> identities;
    const auto& entries = document_.entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string_view key = document_.key(entries[i]);
        if (!key.starts_with(kPrefix) || !key.ends_with(kUserEmail)) continue;
        if (!equalIgnoringCase(document_.value(entries[i]), address) || !document_.isEffective(i)) continue;
        std::string identity(key.substr(kPrefix.size(), key.size() - kPrefix.size() - kUserEmail.size()));
        if (std::find(identities.begin(), identities.end(), identity) == identities.end()) {
            identities.push_back(std::move(identity));
        }
    }
    return identities;
}

std::optional<std::string> PrefsReader::findAccountOfIdentity(std::string_view identity) const {
    constexpr std::string_view kPrefix = "mail.account.";
    constexpr std::string_view kSuffix = ".identities";
    std::optional<std::string> withoutServer;
    const auto& entries = document_.entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string_view key = document_.key(entries[i]);
        if (!key.starts_with(kPrefix) || !key.ends_with(kSuffix)) continue;
        if (!listHolds(document_.value(entries[i]), identity) || !document_.isEffective(i)) continue;
        // An account without an incoming server (the remains of a deleted one,
        // say) is none Thunderbird uses: one with a server that lists the
        // identity too is its account.
        std::string account(key.substr(kPrefix.size(), key.size() - kPrefix.size() - kSuffix.size()));
        const auto server = value(accountKey(account, "server"));
        if (server && !server->empty()) return account;
        if (!withoutServer) withoutServer = std::move(account);
    }
    return withoutServer;
}

std::optional<PrefsReader::AddressAccount> PrefsReader::findAccountForAddress(std::string_view address) const {
    std::optional<AddressAccount> withoutAccount;
    for (auto& identity : identitiesWithAddress(address)) {
        const auto account = findAccountOfIdentity(identity);
        if (!account) {
            if (!withoutAccount) withoutAccount = AddressAccount{identity, std::nullopt};
            continue;
        }
        // Thunderbird sends as an account's first identity by default; the
        // others are aliases of it.
        const auto identities = listElements(value(accountKey(*account, "identities")).value_or(""));
        const bool alias = identities.empty() || identities.front() != identity;
        const auto server = value(accountKey(*account, "server"));
        const auto user = server ? value(serverKey(*server, "userName")) : std::nullopt;
        if (alias && !(user && equalIgnoringCase(*user, address))) continue;
        return AddressAccount{std::move(identity), account};
    }
    return withoutAccount;
}

}  // namespace tw::thunderbird
