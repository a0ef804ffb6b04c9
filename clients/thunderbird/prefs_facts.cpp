#include "clients/thunderbird/prefs_facts.h"

#include <algorithm>

#include "clients/thunderbird/account_lines.h"
#include "clients/thunderbird/pref_file.h"

namespace tw::thunderbird {
namespace {

constexpr std::string_view kAccountPrefix = "mail.account.account";
constexpr std::string_view kIdentityPrefix = "mail.identity.id";
constexpr std::string_view kServerPrefix = "mail.server.server";
constexpr std::string_view kOutgoingPrefix = "mail.smtpserver.smtp";
constexpr std::string_view kLocalFolders = "mailbox://nobody@Local%20Folders";

void raise(long long& highest, long long number) { highest = std::max(highest, number); }

// The highest number among the list's elements that are prefix + number.
// Every account has such lists, so they are read in place.
void raiseByList(long long& highest, std::string_view list, std::string_view prefix) {
    while (!list.empty()) {
        const auto comma = list.find(',');
        std::string_view element = list.substr(0, comma);
        while (!element.empty() && (element.front() == ' ' || element.front() == '\t')) element.remove_prefix(1);
        if (element.starts_with(prefix)) raise(highest, leadingNumber(element.substr(prefix.size())));
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
}

}  // namespace

void PrefsFacts::read(std::string_view key, std::string_view value) {
    if (key.starts_with(kAccountPrefix)) {
        readAccount(key, value);
    } else if (key.starts_with(kIdentityPrefix)) {
        readIdentity(key, value);
    } else if (key.starts_with(kServerPrefix)) {
        raise(highestServer, leadingNumber(key.substr(kServerPrefix.size())));
    } else if (key.starts_with(kOutgoingPrefix)) {
        raise(highestOutgoing, leadingNumber(key.substr(kOutgoingPrefix.size())));
    } else if (key == kAccountListKey) {
        raiseByList(highestAccount, value, "account");
    } else if (key == kOutgoingListKey) {
        raiseByList(highestOutgoing, value, "smtp");
    }
}

void PrefsFacts::readAccount(std::string_view key, std::string_view value) {
    anyAccount = true;
    raise(highestAccount, leadingNumber(key.substr(kAccountPrefix.size())));
    if (key.ends_with(".identities")) raiseByList(highestIdentity, value, "id");
    if (key.ends_with(".server")) raiseByList(highestServer, value, "server");
}

void PrefsFacts::readIdentity(std::string_view key, std::string_view value) {
    raise(highestIdentity, leadingNumber(key.substr(kIdentityPrefix.size())));
    if (key.ends_with(".smtpServer")) {
        raiseByList(highestOutgoing, value, "smtp");
    } else if (key.ends_with(".draft_folder") || key.ends_with(".fcc_folder")) {
        if (value.starts_with(kLocalFolders)) localFolderCopies = true;
    }
}

}  // namespace tw::thunderbird
