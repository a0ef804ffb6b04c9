// A prefs.js read once, from start to end: what it says about its accounts
// as a whole, the statements of the mail settings the writer goes on to read
// or change, and the places where new statements may go. It keeps its own
// copy of the statements it keeps, not the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clients/thunderbird/prefs_facts.h"
#include "clients/thunderbird/prefs_source.h"
#include "clients/thunderbird/prefs_syntax.h"

namespace tw::thunderbird {

class PrefsDocument {
public:
    // Which statements a document keeps: every one whose key begins with
    // "mail.", or fewer, since a large profile has tens of thousands of them.
    enum class Keep {
        MailSettings,
        // What adding an account needs: the account and outgoing-server
        // lists, the default account, the account counter, and the
        // identities' addresses that are the given one.
        ListsAndAddress,
        // And what tells whose account an identity with the address is: the
        // accounts' settings and the incoming servers' user names.
        AccountsAndAddress,
    };

    // Reads the source from where it stands to its end.
    explicit PrefsDocument(PrefsSource& source, Keep keep = Keep::MailSettings, std::string_view address = {});
    // A text in memory.
    explicit PrefsDocument(std::string_view text);

    // Positions in the text above 4 GB are not supported (see fits()).
    static bool fits(std::size_t size) { return size < 0xFFFFFFFFu; }

    struct Entry {
        std::uint32_t begin, end;  // the statement's bytes in the text
        std::uint32_t lineAfter;   // the first place for new lines after it (kNoPlace: the end)
        std::uint32_t keyAt, keyLength, valueAt, valueLength;  // in the document's own store
        std::int32_t number;
        PrefType type;
        bool user;
    };

    const PrefsFacts& facts() const { return facts_; }
    // Where Thunderbird stops reading: the end of the text, or a NUL byte.
    std::size_t readEnd() const { return readEnd_; }
    // kSuccess, or the failure that cut the reading short.
    platform::Status readStatus() const { return readStatus_; }
    const std::vector<Entry>& entries() const { return entries_; }
    std::string_view key(const Entry& entry) const { return std::string_view(store_).substr(entry.keyAt, entry.keyLength); }
    // A string's text, "true" or "false", or empty for a number.
    std::string_view value(const Entry& entry) const;

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
    std::size_t beforeFirstStatement() const { return firstPlace_; }
    // The first such place after the entry's statement; when there is none,
    // the end.
    std::size_t after(const Entry& entry) const { return entry.lineAfter == kNoPlace ? endPlace_ : entry.lineAfter; }
    // The end of what Thunderbird reads, or when the text ends inside a
    // comment, a string or a statement it cannot read, the last place before.
    std::size_t atEnd() const { return endPlace_; }
    // True for the end of a text whose last line has no line end: new lines
    // there need one first.
    bool needsLineBreak(std::size_t place) const { return place == readEnd_ && endNeedsLineBreak_; }

private:
    static constexpr std::uint32_t kNoPlace = 0xFFFFFFFFu;
    void read(PrefsSource& source, Keep keep, std::string_view address);
    bool kept(const PrefStatement& statement, Keep keep, std::string_view address) const;
    void add(const PrefStatement& statement);

    PrefsFacts facts_;
    std::vector<Entry> entries_;
    std::string store_;  // the keys and values of the entries
    std::vector<std::string> addressKeys_;  // identities whose address statements are kept
    std::size_t firstPlace_ = 0;
    std::size_t readEnd_ = 0;
    std::size_t endPlace_ = 0;
    bool endNeedsLineBreak_ = false;
    platform::Status readStatus_ = platform::kSuccess;
};

}  // namespace tw::thunderbird
