#include "clients/thunderbird/prefs_document.h"

#include <algorithm>

#include "clients/thunderbird/account_lines.h"
#include "core/ascii.h"

namespace tw::thunderbird {
namespace {

constexpr std::string_view kMailPrefix = "mail.";

}  // namespace

PrefsDocument::PrefsDocument(PrefsSource& source, Keep keep, std::string_view address) {
    read(source, keep, address);
}

PrefsDocument::PrefsDocument(std::string_view text) {
    PrefsSource source(text);
    read(source, Keep::MailSettings, {});
}

bool PrefsDocument::kept(const PrefStatement& statement, Keep keep, std::string_view address) const {
    if (keep == Keep::MailSettings) return true;
    const std::string_view key = statement.key;
    if (key == kAccountListKey || key == kDefaultAccountKey || key == kOutgoingListKey || key == kLastAccountKey) {
        return true;
    }
    if (keep == Keep::AccountsAndAddress &&
        (key.starts_with("mail.account.") || (key.starts_with("mail.server.") && key.ends_with(".userName")))) {
        return true;
    }
    if (!key.starts_with("mail.identity.") || !key.ends_with(".useremail")) return false;
    // The address, and any later statement for an identity that had it, since
    // the last statement of a key is the one that counts.
    return equalIgnoringCase(statement.text, address) ||
           std::find(addressKeys_.begin(), addressKeys_.end(), key) != addressKeys_.end();
}

void PrefsDocument::add(const PrefStatement& statement) {
    Entry entry{};
    entry.begin = static_cast<std::uint32_t>(statement.begin);
    entry.end = static_cast<std::uint32_t>(statement.end);
    entry.lineAfter = kNoPlace;
    entry.type = statement.type;
    entry.user = statement.user;
    entry.number = static_cast<std::int32_t>(statement.number);
    entry.keyAt = static_cast<std::uint32_t>(store_.size());
    entry.keyLength = static_cast<std::uint32_t>(statement.key.size());
    store_ += statement.key;
    if (statement.type == PrefType::String) {
        entry.valueAt = static_cast<std::uint32_t>(store_.size());
        entry.valueLength = static_cast<std::uint32_t>(statement.text.size());
        store_ += statement.text;
    }
    entries_.push_back(entry);
}

void PrefsDocument::read(PrefsSource& source, Keep keep, std::string_view address) {
    PrefsScanner scanner(source);
    bool first = true;
    std::size_t waiting = 0;  // the entries still without the place after them
    const auto placeWaiting = [&] {
        if (const auto place = scanner.firstSafeLineStart()) {
            for (; waiting < entries_.size(); ++waiting) entries_[waiting].lineAfter = static_cast<std::uint32_t>(*place);
            scanner.forgetFirstSafeLineStart();
        }
    };
    for (PrefStatement statement; scanner.next(statement);) {
        // A line start read with this statement lies after the ones before.
        placeWaiting();
        if (first) {
            firstPlace_ = statement.lineStart;
            first = false;
        }
        if (!statement.key.starts_with(kMailPrefix)) continue;
        facts_.read(statement.key, statement.text);
        if (!kept(statement, keep, address)) continue;
        if (keep != Keep::MailSettings && statement.key.ends_with(".useremail")) {
            addressKeys_.emplace_back(statement.key);
        }
        add(statement);
    }
    placeWaiting();
    readStatus_ = source.status();
    readEnd_ = scanner.readEnd();
    // Where the text ends inside a comment, a string or a statement
    // Thunderbird cannot read, new lines go before that.
    endPlace_ = scanner.endIsSafe() ? readEnd_ : scanner.lastSafeLineStart().value_or(0);
    endNeedsLineBreak_ = scanner.endNeedsLineBreak();
    if (first) firstPlace_ = endPlace_;
}

std::string_view PrefsDocument::value(const Entry& entry) const {
    if (entry.type == PrefType::Boolean) return entry.number != 0 ? "true" : "false";
    if (entry.type != PrefType::String) return {};
    return std::string_view(store_).substr(entry.valueAt, entry.valueLength);
}

const PrefsDocument::Entry* PrefsDocument::effective(std::string_view wanted) const {
    const Entry* lastUser = nullptr;
    const Entry* lastDefault = nullptr;
    for (const Entry& entry : entries_) {
        if (key(entry) != wanted) continue;
        (entry.user ? lastUser : lastDefault) = &entry;
    }
    return lastUser != nullptr ? lastUser : lastDefault;
}

std::optional<std::string_view> PrefsDocument::value(std::string_view wanted) const {
    const Entry* entry = effective(wanted);
    if (entry == nullptr) return std::nullopt;
    return value(*entry);
}

bool PrefsDocument::isEffective(std::size_t index) const {
    const Entry& entry = entries_[index];
    const std::string_view wanted = key(entry);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (i == index || key(entries_[i]) != wanted) continue;
        const bool later = i > index;
        if (entry.user ? (entries_[i].user && later) : (entries_[i].user || later)) return false;
    }
    return true;
}

}  // namespace tw::thunderbird
