#include "clients/thunderbird/prefs_reader.h"

#include <algorithm>

#include "clients/thunderbird/account_lines.h"
#include "clients/thunderbird/pref_file.h"
#include "core/ascii.h"

namespace tw::thunderbird {
namespace {

constexpr std::string_view kAccountPrefix = "mail.account.account";
constexpr std::string_view kIdentityPrefix = "mail.identity.id";
constexpr std::string_view kServerPrefix = "mail.server.server";
constexpr std::string_view kOutgoingPrefix = "mail.smtpserver.smtp";
constexpr std::string_view kLocalFolders = "mailbox://nobody@Local%20Folders";

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

void raise(long long& highest, long long number) { highest = std::max(highest, number); }

// The value of the line when it is a user_pref line; empty otherwise.
std::string_view valueOf(std::string_view line) {
    const auto pref = parsePrefLine(line);
    return pref ? pref->value : std::string_view();
}

// The highest number among the list's elements that are prefix + number.
void raiseByList(long long& highest, std::string_view list, std::string_view prefix) {
    for (std::string_view element : listElements(list)) {
        if (element.starts_with(prefix)) raise(highest, leadingNumber(element.substr(prefix.size())));
    }
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

PrefsReader::PrefsReader(std::string_view text) : text_(text) {
    LineReader reader(text);
    for (std::string_view line; reader.next(line);) readLine(line);
}

void PrefsReader::readLine(std::string_view line) {
    const std::string_view key = prefKey(line);
    if (!key.starts_with("mail.")) return;
    if (key.starts_with(kAccountPrefix)) {
        readAccountLine(key, line);
    } else if (key.starts_with(kIdentityPrefix)) {
        readIdentityLine(key, line);
    } else if (key.starts_with(kServerPrefix)) {
        raise(highestServer_, leadingNumber(key.substr(kServerPrefix.size())));
    } else if (key.starts_with(kOutgoingPrefix)) {
        raise(highestOutgoing_, leadingNumber(key.substr(kOutgoingPrefix.size())));
    } else if (key == kAccountListKey) {
        raiseByList(highestAccount_, valueOf(line), "account");
    } else if (key == kOutgoingListKey) {
        raiseByList(highestOutgoing_, valueOf(line), "smtp");
    }
}

void PrefsReader::readAccountLine(std::string_view key, std::string_view line) {
    anyAccount_ = true;
    raise(highestAccount_, leadingNumber(key.substr(kAccountPrefix.size())));
    if (key.ends_with(".identities")) raiseByList(highestIdentity_, valueOf(line), "id");
    if (key.ends_with(".server")) raiseByList(highestServer_, valueOf(line), "server");
}

void PrefsReader::readIdentityLine(std::string_view key, std::string_view line) {
    const std::string_view rest = key.substr(kIdentityPrefix.size());
    raise(highestIdentity_, leadingNumber(rest));
    if (key.ends_with(".useremail")) {
        addresses_.push_back({rest.substr(0, rest.size() - std::string_view(".useremail").size()), valueOf(line)});
    } else if (key.ends_with(".smtpServer")) {
        raiseByList(highestOutgoing_, valueOf(line), "smtp");
    } else if (key.ends_with(".draft_folder") || key.ends_with(".fcc_folder")) {
        if (valueOf(line).starts_with(kLocalFolders)) localFolderCopies_ = true;
    }
}

std::optional<std::string> PrefsReader::findIdentityByAddress(std::string_view fileAddress) const {
    for (const auto& stored : addresses_) {
        if (equalIgnoringCase(stored.address, fileAddress)) return "id" + std::string(stored.identityNumber);
    }
    return std::nullopt;
}

std::optional<std::string> PrefsReader::findAccountOfIdentity(std::string_view identity) const {
    constexpr std::string_view kPrefix = "mail.account.";
    constexpr std::string_view kSuffix = ".identities";
    LineReader reader(text_);
    for (std::string_view line; reader.next(line);) {
        const std::string_view key = prefKey(line);
        if (!key.starts_with(kPrefix) || !key.ends_with(kSuffix)) continue;
        const auto elements = listElements(valueOf(line));
        if (std::find(elements.begin(), elements.end(), identity) != elements.end()) {
            return std::string(key.substr(kPrefix.size(), key.size() - kPrefix.size() - kSuffix.size()));
        }
    }
    return std::nullopt;
}

std::optional<std::string_view> PrefsReader::value(std::string_view key) const {
    std::optional<std::string_view> found;
    LineReader reader(text_);
    for (std::string_view line; reader.next(line);) {
        if (prefKey(line) != key) continue;
        if (const auto pref = parsePrefLine(line)) found = pref->value;
    }
    return found;
}

}  // namespace tw::thunderbird
