// The text of a Thunderbird prefs.js: its lines, the user_pref lines in it and
// the new file the writer builds. Thunderbird writes LF ends on some systems
// and CR LF on Windows; both read the same here, and every line written ends
// in CR LF.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tw::thunderbird {

// The lines of a file without their ends. A last line without an end is a line
// too; an empty file has none.
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

// The new file, built line by line with CR LF ends.
class PrefsOutput {
public:
    explicit PrefsOutput(std::size_t expectedSize) { text_.reserve(expectedSize); }
    void add(std::string_view line) {
        text_ += line;
        text_ += "\r\n";
    }
    const std::string& text() const { return text_; }
    std::string release() { return std::move(text_); }

private:
    std::string text_;
};

// Room for a copy of the input with CR LF ends plus the lines the writer adds,
// so that building the copy never has to move it.
std::size_t expectedOutputSize(std::string_view input, std::size_t lineCount);

}  // namespace tw::thunderbird
