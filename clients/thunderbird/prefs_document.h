// A prefs.js read once: the statements of mail settings, which are all the
// writer reads or changes, and the places where new statements may go. The
// text itself is not copied; it must outlive the document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clients/thunderbird/prefs_syntax.h"

namespace tw::thunderbird {

class PrefsDocument {
public:
    // Texts of 4 GB and more are not supported (see fits()).
    explicit PrefsDocument(std::string_view text);

    static bool fits(std::size_t size) { return size < 0xFFFFFFFFu; }

    // One statement whose key begins with "mail.", kept small because a
    // large profile has tens of thousands of them.
    struct Entry {
        std::uint32_t begin, end;  // the statement's bytes in the text
        std::uint32_t keyAt, keyLength, valueAt, valueLength;
        std::int32_t number;
        PrefType type;
        bool user;
        bool keyDecoded, valueDecoded;  // held in the document, not in the text
    };

    std::string_view text() const { return text_; }
    const std::vector<Entry>& entries() const { return entries_; }
    std::string_view key(const Entry& entry) const;
    std::string_view value(const Entry& entry) const;  // a string's text, "true"/"false", or empty

    // The value Thunderbird takes for the key: that of the last user_pref
    // statement, or without one that of the last default; nothing when the
    // key has no statement.
    const Entry* effective(std::string_view key) const;
    std::optional<std::string_view> value(std::string_view key) const;
    // Whether the entry is the one whose value Thunderbird takes.
    bool isEffective(std::size_t index) const;

    // Where new lines go. Each is the start of a line between statements and
    // outside comments, or the end of what Thunderbird reads (see
    // needsLineBreak). Before the first statement of any key:
    std::size_t beforeFirstStatement() const;
    // The first such place after the position; when there is none, the end.
    std::size_t after(std::size_t position) const;
    // The end of what Thunderbird reads, or when the text ends inside a
    // comment, a string or a statement it cannot read, the last place before.
    std::size_t atEnd() const;
    // True for the end of a text whose last line has no line end: new lines
    // there need one first.
    bool needsLineBreak(std::size_t place) const;

private:
    std::size_t lastSafeAtOrBefore(std::size_t position) const;
    static void locate(std::string_view part, std::string_view text, std::string& decoded, std::uint32_t& at,
                       std::uint32_t& length, bool& isDecoded);

    std::string_view text_;
    std::vector<Entry> entries_;
    std::string decoded_;  // keys and values that had escapes, resolved
    std::vector<std::uint32_t> safeLineStarts_;
    std::size_t firstStatement_ = 0;
    std::size_t readEnd_ = 0;
    bool endIsSafe_ = false;
};

}  // namespace tw::thunderbird
