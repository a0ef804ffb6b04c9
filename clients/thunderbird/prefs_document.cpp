#include "clients/thunderbird/prefs_document.h"

#include <algorithm>
#include <cstdint>

namespace tw::thunderbird {
namespace {

constexpr std::string_view kMailPrefix = "mail.";

bool within(std::string_view part, std::string_view text) {
    const auto first = reinterpret_cast<std::uintptr_t>(text.data());
    const auto at = reinterpret_cast<std::uintptr_t>(part.data());
    return at >= first && at + part.size() <= first + text.size();
}

}  // namespace

// Where a key or value is kept: in place in the text, or when it had escapes,
// in the document's own store.
void PrefsDocument::locate(std::string_view part, std::string_view text, std::string& decoded, std::uint32_t& at,
                           std::uint32_t& length, bool& isDecoded) {
    length = static_cast<std::uint32_t>(part.size());
    isDecoded = !part.empty() && !within(part, text);
    if (!isDecoded) {
        at = part.empty() ? 0 : static_cast<std::uint32_t>(part.data() - text.data());
        return;
    }
    at = static_cast<std::uint32_t>(decoded.size());
    decoded.append(part);
}

PrefsDocument::PrefsDocument(std::string_view text) : text_(text) {
    // Room for the usual number of statements and lines, reserved rather than
    // touched: memory is only taken up as it is used.
    entries_.reserve(text.size() / 256);
    safeLineStarts_.reserve(text.size() / 64);
    PrefsScanner scanner(text, &safeLineStarts_);
    bool first = true;
    for (PrefStatement statement; scanner.next(statement);) {
        if (first) {
            firstStatement_ = statement.begin;
            first = false;
        }
        if (!statement.key.starts_with(kMailPrefix)) continue;
        Entry entry{};
        entry.begin = static_cast<std::uint32_t>(statement.begin);
        entry.end = static_cast<std::uint32_t>(statement.end);
        entry.type = statement.type;
        entry.user = statement.user;
        entry.number = static_cast<std::int32_t>(statement.type == PrefType::Boolean ? statement.text == "true"
                                                                                       : statement.number);
        locate(statement.key, text, decoded_, entry.keyAt, entry.keyLength, entry.keyDecoded);
        if (statement.type == PrefType::String) {
            locate(statement.text, text, decoded_, entry.valueAt, entry.valueLength, entry.valueDecoded);
        }
        entries_.push_back(entry);
    }
    readEnd_ = scanner.readEnd();
    endIsSafe_ = scanner.endIsSafe();
    if (first) firstStatement_ = readEnd_;
}

std::string_view PrefsDocument::key(const Entry& entry) const {
    const std::string_view source = entry.keyDecoded ? std::string_view(decoded_) : text_;
    return source.substr(entry.keyAt, entry.keyLength);
}

std::string_view PrefsDocument::value(const Entry& entry) const {
    if (entry.type == PrefType::Boolean) return entry.number != 0 ? "true" : "false";
    if (entry.type != PrefType::String) return {};
    const std::string_view source = entry.valueDecoded ? std::string_view(decoded_) : text_;
    return source.substr(entry.valueAt, entry.valueLength);
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

std::size_t PrefsDocument::lastSafeAtOrBefore(std::size_t position) const {
    const auto after = std::upper_bound(safeLineStarts_.begin(), safeLineStarts_.end(), position);
    return after == safeLineStarts_.begin() ? 0 : *(after - 1);
}

std::size_t PrefsDocument::beforeFirstStatement() const {
    if (firstStatement_ >= readEnd_) return atEnd();
    return lastSafeAtOrBefore(firstStatement_);
}

std::size_t PrefsDocument::after(std::size_t position) const {
    const auto next = std::lower_bound(safeLineStarts_.begin(), safeLineStarts_.end(), position);
    if (next != safeLineStarts_.end() && *next <= readEnd_) return *next;
    return atEnd();
}

std::size_t PrefsDocument::atEnd() const { return endIsSafe_ ? readEnd_ : lastSafeAtOrBefore(readEnd_); }

bool PrefsDocument::needsLineBreak(std::size_t place) const {
    if (place == 0) return false;
    const char before = text_[place - 1];
    return before != '\n' && before != '\r';
}

}  // namespace tw::thunderbird
