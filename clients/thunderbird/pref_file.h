// The text of a Thunderbird prefs.js: its lines, the user_pref lines in it and
// the new file the writer builds. Thunderbird writes LF ends on some systems
// and CR LF on Windows; both read the same here, and every line written ends
// in CR LF.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace tw::thunderbird {

// Reads the lines of a text one after another, without their ends and
// without storing them. A last line without an end is a line too; an empty
// text has none.
//   LineReader reader(text);
//   for (std::string_view line; reader.next(line);) ...
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}
    bool next(std::string_view& line);
    bool atEnd() const { return position_ >= text_.size(); }

private:
    std::string_view text_;
    std::size_t position_ = 0;
};

// All the lines at once, for small files.
std::vector<std::string_view> splitLines(std::string_view text);

// One line of the form  user_pref("key", value);
struct PrefLine {
    std::string_view key;
    std::string_view value;  // a string value without its quotes, still escaped
    bool quoted = false;
};

// The key and value of a user_pref line; nothing for any other line.
std::optional<PrefLine> parsePrefLine(std::string_view line);

// Only the key of a user_pref line, without reading its value; empty for any
// other line. The cheap test for "is this the line with key X".
std::string_view prefKey(std::string_view line);

// Text as it stands inside a quoted prefs.js value: "\" and the double quote
// escaped with a backslash. Thunderbird drops a line whose quote ends early.
std::string escapePrefString(std::string_view text);

// The address as Thunderbird puts a user name into a server's URI: every byte
// except letters, digits and "*-._" as %XX, so "ann@example.com" becomes
// "ann%40example.com". Folder URIs only find their account when they match.
std::string encodeUriUserName(std::string_view text);

// The number that the leading decimal digits of text spell; 0 without digits.
// Very long runs of digits are capped rather than overflowing.
long long leadingNumber(std::string_view text);

// The new file, built line by line with CR LF ends and written out in pieces
// as it grows, so that the whole new text is never held at once.
class PrefsOutput {
public:
    explicit PrefsOutput(platform::NewFile& file) : file_(file) { buffer_.reserve(kPiece + kPiece / 8); }

    void add(std::string_view line) {
        buffer_ += line;
        buffer_ += "\r\n";
        if (buffer_.size() >= kPiece) flush();
    }

    // Writes what is left and finishes the file; the first failure of any
    // write, or kSuccess. Lines added after a failure are dropped.
    platform::Status finish();

private:
    static constexpr std::size_t kPiece = 1 << 20;
    void flush();

    platform::NewFile& file_;
    std::string buffer_;
    platform::Status status_ = platform::kSuccess;
};

}  // namespace tw::thunderbird
