// prefs.js as Thunderbird reads it: not lines but a sequence of statements
//   user_pref("key", value);
// with any blanks, line ends and comments between their pieces. A line ends at
// LF, CR LF or a lone CR. Comments are "/* ... */", "// ..." and "# ..." to
// the end of the line. Strings are in double or single quotes, with the escapes
// \" \' \\ \n \r \xNN and \uNNNN. Values are strings, true, false or whole
// numbers with an optional sign. A NUL byte outside strings and comments ends
// the file, and a UTF-8 byte order mark at its start is passed over.
//
// Thunderbird skips whatever it cannot read up to the next ";" that is not in
// a string or comment and reads on from there; so does this scanner. Text it
// skips is not preferences, and neither is text in comments: the writer leaves
// all of it as it stands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "clients/thunderbird/prefs_source.h"

namespace tw::thunderbird {

enum class PrefType : std::uint8_t { String, Integer, Boolean };

struct PrefStatement {
    // Positions in the whole text, wherever the window onto it stands.
    std::size_t begin = 0;  // the first letter of user_pref (or pref, sticky_pref, lockPref)
    // The last line start before it where a new statement may be inserted
    // (see PrefsScanner::lastSafeLineStart).
    std::size_t lineStart = 0;
    std::size_t end = 0;    // just after the closing ";"
    // Key and string value with their escapes resolved. Both stay valid only
    // until the scanner reads on.
    std::string_view key;
    std::string_view text;  // a string's text; "true" or "false"; empty for a number
    long long number = 0;   // the value of a number
    PrefType type = PrefType::String;
    // user_pref sets the user's value; pref, sticky_pref and lockPref set
    // defaults, which a user value of the same key overrides.
    bool user = true;
};

// Reads the statements of a prefs.js one after another:
//   PrefsSource source(text);
//   PrefsScanner scanner(source);
//   for (PrefStatement s; scanner.next(s);) ...
class PrefsScanner {
public:
    explicit PrefsScanner(PrefsSource& source);

    bool next(PrefStatement& statement);

    // Lines at whose start a new statement may be inserted: lines that begin
    // between statements, outside comments and outside text Thunderbird
    // skips. The last one read so far; and the first one read since
    // forgetFirstSafeLineStart() (or the start).
    std::optional<std::size_t> lastSafeLineStart() const { return lastSafe_; }
    std::optional<std::size_t> firstSafeLineStart() const { return firstSafe_; }
    void forgetFirstSafeLineStart() { firstSafe_.reset(); }

    // Once next() has returned false: where Thunderbird stops reading (the end
    // of the text, or a NUL byte), whether a new statement may go there (not
    // when the text ends inside a comment, a string or a statement), and
    // whether the last line there lacks a line end.
    std::size_t readEnd() const { return readEnd_; }
    bool endIsSafe() const { return endIsSafe_; }
    bool endNeedsLineBreak() const { return endNeedsLineBreak_; }

private:
    enum class Token : std::uint8_t {
        End, Open, Close, Comma, Plus, Minus, Semicolon,
        UserPref, Pref, StickyPref, LockPref, True, False,
        String, Integer, Error
    };

    // The text is read as if a NUL followed it, which ends the file.
    unsigned char get() { return at_ < limit_ ? static_cast<unsigned char>(data_[at_++ - base_]) : getMore(); }
    unsigned char getMore();
    void unget() { --at_; }
    bool take(unsigned char c);
    bool refill();
    std::string_view bytes(std::size_t from, std::size_t length) const { return {data_ + (from - base_), length}; }
    Token lex(std::string* stringBuffer);
    Token keyword(std::size_t start);
    Token number(unsigned char first);
    Token string(unsigned char quote, std::string* buffer);
    std::size_t plainRunEnd(std::size_t start, unsigned char quote);
    std::size_t plainRunEndInWindow(std::size_t start, unsigned char quote) const;
    bool quickStatement(PrefStatement& statement);
    bool escape(std::string* buffer);
    bool hexDigits(int count, unsigned& value);
    void lineComment();
    bool blockComment();
    void lineEnd(unsigned char c);
    Token statementStart();
    Token recover(Token token);
    bool value(PrefStatement& statement, Token& failed);
    void finish();

    // A string token's text: in the window when it had no escapes, else in
    // the buffer it was built in.
    struct StringToken {
        std::size_t at = 0;
        std::size_t length = 0;
        const std::string* built = nullptr;
    };
    std::string_view textOf(const StringToken& token) const {
        return token.built != nullptr ? std::string_view(*token.built) : bytes(token.at, token.length);
    }

    PrefsSource& source_;
    const char* data_ = nullptr;  // the window, holding positions base_ to limit_
    std::size_t base_ = 0;
    std::size_t limit_ = 0;
    std::size_t keep_ = 0;  // the window keeps the bytes from here on
    bool holding_ = false;  // within a statement, whose bytes are all kept
    std::size_t at_ = 0;    // the next byte to read; one past the end once the NUL after it is read
    std::size_t tokenStart_ = 0;
    bool topLevel_ = false;  // reading between statements, where a new one may start
    StringToken string_;     // the last string token
    unsigned long long number_ = 0;  // the last number token's value
    std::optional<std::size_t> pendingLineStart_;
    std::optional<std::size_t> lastSafe_;
    std::optional<std::size_t> firstSafe_;
    bool finished_ = false;
    std::size_t readEnd_ = 0;
    bool endIsSafe_ = false;
    bool endNeedsLineBreak_ = false;
    std::string keyBuffer_;
    std::string valueBuffer_;
    std::string ignored_;
};

}  // namespace tw::thunderbird
