// prefs.js as Thunderbird reads it: not lines but a sequence of statements
//   user_pref("key", value);
// with any blanks, line ends and comments between their pieces. A line ends at
// LF, CR LF or a lone CR. Comments are "/* ... */", "// ..." and "# ..." to
// the end of the line. Strings are in double or single quotes, with the escapes
// \" \' \\ \n \r \xNN and \uNNNN. Values are strings, true, false or whole
// numbers with an optional sign. A NUL byte outside strings and comments ends
// the file.
//
// Thunderbird skips whatever it cannot read up to the next ";" that is not in
// a string or comment and reads on from there; so does this scanner. Text it
// skips is not preferences, and neither is text in comments: the writer leaves
// all of it as it stands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tw::thunderbird {

enum class PrefType : std::uint8_t { String, Integer, Boolean };

struct PrefStatement {
    std::size_t begin = 0;  // the first letter of user_pref (or pref, sticky_pref, lockPref)
    std::size_t end = 0;    // just after the closing ";"
    // Key and string value with their escapes resolved. Both stay valid only
    // until the scanner reads the next statement.
    std::string_view key;
    std::string_view text;  // a string's text; "true" or "false"; empty for a number
    long long number = 0;   // the value of a number
    PrefType type = PrefType::String;
    // user_pref sets the user's value; pref, sticky_pref and lockPref set
    // defaults, which a user value of the same key overrides.
    bool user = true;
};

// Reads the statements of a prefs.js text one after another:
//   PrefsScanner scanner(text);
//   for (PrefStatement s; scanner.next(s);) ...
class PrefsScanner {
public:
    // When safeLineStarts is given, the scanner adds to it the start of every
    // line at which a new statement may be inserted: a line that begins
    // between statements, outside comments and outside text Thunderbird skips.
    explicit PrefsScanner(std::string_view text, std::vector<std::uint32_t>* safeLineStarts = nullptr);

    bool next(PrefStatement& statement);

    // Once next() has returned false: where Thunderbird stops reading (the end
    // of the text, or a NUL byte), and whether a new statement may go there.
    // It may not when the text ends inside a comment, a string or a statement.
    std::size_t readEnd() const { return readEnd_; }
    bool endIsSafe() const { return endIsSafe_; }

private:
    enum class Token : std::uint8_t {
        End, Open, Close, Comma, Plus, Minus, Semicolon,
        UserPref, Pref, StickyPref, LockPref, True, False,
        String, Integer, Error
    };

    unsigned char get();
    void unget() { --at_; }
    bool take(unsigned char c);
    Token lex(std::string* stringBuffer);
    Token keyword(std::size_t start);
    Token number(unsigned char first);
    Token string(unsigned char quote, std::string* buffer);
    bool escape(std::string* buffer);
    bool hexDigits(int count, unsigned& value);
    void lineComment();
    bool blockComment();
    void lineEnd(unsigned char c);
    Token statementStart();
    Token recover(Token token);
    bool value(PrefStatement& statement, Token& failed);

    std::string_view text_;
    std::vector<std::uint32_t>* safeLineStarts_;
    std::size_t at_ = 0;          // the next byte to read; text_.size() + 1 once past the end
    std::size_t tokenStart_ = 0;  // where the last token began
    bool topLevel_ = false;       // reading between statements, where a new one may start
    std::string_view stringValue_;  // the last string token's text
    unsigned long long number_ = 0;  // the last number token's value
    Token pending_ = Token::End;  // the token that begins the next statement
    bool started_ = false;
    bool finished_ = false;
    std::size_t readEnd_ = 0;
    bool endIsSafe_ = false;
    std::string keyBuffer_;
    std::string valueBuffer_;
    std::string ignored_;
};

}  // namespace tw::thunderbird
