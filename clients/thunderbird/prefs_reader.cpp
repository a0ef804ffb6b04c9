#include "clients/thunderbird/prefs_reader.h"

#include <algorithm>

#include "clients/thunderbird/account_lines.h"
#include "clients/thunderbird/pref_file.h"

namespace tw::thunderbird {
namespace {

constexpr std::string_view kAccountMarker = "mail.account.account";
constexpr std::string_view kIdentityMarker = "mail.identity.id";
constexpr std::string_view kServerMarker = "mail.server.server";
constexpr std::string_view kOutgoingMarker = "mail.smtpserver.smtp";
constexpr std::string_view kIdentityOutgoingMarker = ".smtpServer\", \"smtp";
// Numbers that are in use because something refers to them, even where the
// thing itself has no lines: a new one with that number would be taken over.
constexpr std::string_view kAccountServerMarker = ".server\", \"server";
constexpr std::string_view kAccountListMarker = "\"mail.accountmanager.accounts\"";
constexpr std::string_view kIdentityListMarker = ".identities\"";
constexpr std::string_view kOutgoingListMarker = "\"mail.smtpservers\"";
constexpr std::string_view kLocalDrafts = ".draft_folder\", \"mailbox://nobody@Local%20Folders";
constexpr std::string_view kLocalSent = ".fcc_folder\", \"mailbox://nobody@Local%20Folders";

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowerAscii(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return lowerAscii(c); });
    return lower;
}

// Where the lower-case needle first occurs in text, ignoring the case of ASCII letters.
std::size_t findIgnoringCase(std::string_view text, std::string_view lowerNeedle) {
    if (lowerNeedle.size() > text.size()) return std::string_view::npos;
    for (std::size_t at = 0; at + lowerNeedle.size() <= text.size(); ++at) {
        std::size_t k = 0;
        while (k < lowerNeedle.size() && lowerAscii(text[at + k]) == lowerNeedle[k]) ++k;
        if (k == lowerNeedle.size()) return at;
    }
    return std::string_view::npos;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
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

long long PrefsReader::highestNumberAfter(std::string_view marker) const {
    long long highest = -1;
    for (std::string_view line : lines_) {
        const auto at = line.find(marker);
        if (at != std::string_view::npos) highest = std::max(highest, leadingNumber(line.substr(at + marker.size())));
    }
    return highest;
}

bool PrefsReader::hasNoAccounts() const { return highestNumberAfter(kAccountMarker) < 0; }

long long PrefsReader::highestInLists(std::string_view marker, std::string_view prefix) const {
    long long highest = -1;
    for (std::string_view line : lines_) {
        if (line.find(marker) == std::string_view::npos) continue;
        const auto pref = parsePrefLine(line);
        if (!pref) continue;
        for (std::string_view element : listElements(pref->value)) {
            if (element.starts_with(prefix)) highest = std::max(highest, leadingNumber(element.substr(prefix.size())));
        }
    }
    return highest;
}

long long PrefsReader::nextAccountNumber() const {
    const long long highest =
        std::max(highestNumberAfter(kAccountMarker), highestInLists(kAccountListMarker, "account"));
    return std::max(highest, 0LL) + 1;
}

long long PrefsReader::nextIdentityNumber() const {
    const long long highest = std::max(highestNumberAfter(kIdentityMarker), highestInLists(kIdentityListMarker, "id"));
    return std::max(highest, 0LL) + 1;
}

long long PrefsReader::nextServerNumber() const {
    const long long highest = std::max(highestNumberAfter(kServerMarker), highestNumberAfter(kAccountServerMarker));
    return std::max(highest, 0LL) + 1;
}

long long PrefsReader::nextOutgoingServerNumber() const {
    const long long highest = std::max({highestNumberAfter(kOutgoingMarker), highestNumberAfter(kIdentityOutgoingMarker),
                                        highestInLists(kOutgoingListMarker, "smtp")});
    return std::max(highest, 0LL) + 1;
}

bool PrefsReader::usesLocalFoldersForCopies(long long identityNumber) const {
    if (identityNumber == 1) return true;
    return std::any_of(lines_.begin(), lines_.end(), [](std::string_view line) {
        return line.find(kLocalSent) != std::string_view::npos || line.find(kLocalDrafts) != std::string_view::npos;
    });
}

std::optional<std::string> PrefsReader::findIdentityByAddress(std::string_view fileAddress) const {
    const std::string pattern = ".useremail\", \"" + lowerAscii(fileAddress) + "\"";
    for (std::string_view line : lines_) {
        const auto identityAt = line.find(kIdentityMarker);
        if (identityAt == std::string_view::npos) continue;
        const auto numberAt = identityAt + kIdentityMarker.size();
        const auto patternAt = findIgnoringCase(line.substr(numberAt), pattern);
        if (patternAt == std::string_view::npos) continue;
        return "id" + std::string(line.substr(numberAt, patternAt));
    }
    return std::nullopt;
}

std::optional<std::string> PrefsReader::findAccountOfIdentity(std::string_view identity) const {
    constexpr std::string_view kPrefix = "mail.account.";
    constexpr std::string_view kSuffix = ".identities";
    for (std::string_view line : lines_) {
        const auto pref = parsePrefLine(line);
        if (!pref || !pref->key.starts_with(kPrefix) || !pref->key.ends_with(kSuffix)) continue;
        const auto elements = listElements(pref->value);
        if (std::find(elements.begin(), elements.end(), identity) != elements.end()) {
            return std::string(pref->key.substr(kPrefix.size(), pref->key.size() - kPrefix.size() - kSuffix.size()));
        }
    }
    return std::nullopt;
}

std::optional<std::string_view> PrefsReader::value(std::string_view key) const {
    std::optional<std::string_view> found;
    for (std::string_view line : lines_) {
        if (line.find(key) == std::string_view::npos) continue;
        const auto pref = parsePrefLine(line);
        if (pref && pref->key == key) found = pref->value;
    }
    return found;
}

}  // namespace tw::thunderbird
