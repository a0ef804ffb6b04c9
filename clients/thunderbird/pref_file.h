// The text pieces of Thunderbird's files: lines of profiles.ini, values as
// prefs.js quotes them, and the new prefs.js, written as the old text with
// edits in it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "clients/thunderbird/prefs_document.h"
#include "clients/thunderbird/prefs_source.h"
#include "platform/files.h"

namespace tw::thunderbird {

// Reads the lines of a text one after another, without their ends and
// without storing them. A line ends at LF, CR LF or a lone CR, as Thunderbird
// reads its files. A last line without an end is a line too; an empty text
// has none.
//   LineReader reader(text);
//   for (std::string_view line; reader.next(line);) ...
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}
    bool next(std::string_view& line);

private:
    std::string_view text_;
    std::size_t position_ = 0;
};

// All the lines at once, for small files.
std::vector<std::string_view> splitLines(std::string_view text);

// Text as it stands inside a quoted prefs.js value: "\" and the double quote
// escaped with a backslash, line ends as \r and \n. Thunderbird drops a
// statement whose quote ends early.
std::string escapePrefString(std::string_view text);

// The address as Thunderbird puts a user name into a server's URI: every byte
// except letters, digits and "*-._" as %XX, so "ann@example.com" becomes
// "ann%40example.com". Folder URIs only find their account when they match.
std::string encodeUriUserName(std::string_view text);
// The reverse: every %XX as the byte it stands for.
std::string decodeUri(std::string_view text);

// The number that the leading decimal digits of text spell; 0 without digits.
// Very long runs of digits are capped rather than overflowing.
long long leadingNumber(std::string_view text);

// The new file, written to disk in pieces as it is built. Long stretches of
// the old text go to the file as they stand; short pieces are gathered first,
// so that a file of many small edits needs few writes.
class PrefsOutput {
public:
    explicit PrefsOutput(platform::NewFile& file) : file_(file) {}

    void append(std::string_view bytes);

    // Writes what is left and finishes the file; the first failure of any
    // write, or kSuccess. What is appended after a failure is dropped.
    platform::Status finish();

private:
    static constexpr std::size_t kGather = 64 * 1024;
    void write(std::string_view bytes);
    void flush();

    platform::NewFile& file_;
    std::string gathered_;
    platform::Status status_ = platform::kSuccess;
};

// The changes to a prefs.js: statements replaced in place, keeping whatever
// else stands on their lines, and new lines inserted at the places the
// document offers. Everything else is copied byte for byte, each line with
// its own line end; new lines end in CR LF.
class PrefsEdits {
public:
    explicit PrefsEdits(const PrefsDocument& document) : document_(document) {}

    void replace(const PrefsDocument::Entry& entry, std::string statement);
    // Replaces every user_pref statement of the key; false when it has none.
    bool replaceAll(std::string_view key, const std::string& statement);
    // Adds a line at a place the document gave (after those added there before).
    void insert(std::size_t place, std::string_view line);

    // Writes the text of the source, read again from its start, with the edits.
    void write(PrefsSource& source, PrefsOutput& out) const;

private:
    struct Edit {
        std::size_t begin;
        std::size_t end;  // begin for an insertion
        std::string text;
        std::size_t order;
    };

    const PrefsDocument& document_;
    std::vector<Edit> edits_;
};

}  // namespace tw::thunderbird
