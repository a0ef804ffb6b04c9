#include "clients/thunderbird/prefs_syntax.h"

#include <array>

namespace tw::thunderbird {
namespace {

constexpr unsigned char kEnd = 0;  // a NUL byte, and what lies past the text
constexpr unsigned long long kIntMax = 2147483647ULL;

bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool isKeywordChar(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

int hexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Bytes that end the quick scan of a string: either quote, an escape, a line
// end or a NUL. A string without any but its closing quote is used in place.
constexpr std::array<bool, 256> kStringSpecial = [] {
    std::array<bool, 256> table{};
    for (unsigned char c : {'"', '\'', '\\', '\n', '\r', '\0'}) table[c] = true;
    return table;
}();

void appendUtf8(std::string& out, unsigned codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

}  // namespace

PrefsScanner::PrefsScanner(std::string_view text, std::vector<std::uint32_t>* safeLineStarts)
    : text_(text), safeLineStarts_(safeLineStarts) {
    if (safeLineStarts_ != nullptr) safeLineStarts_->push_back(0);
}

// The text is read as if a NUL followed it, which ends the file.
unsigned char PrefsScanner::get() {
    if (at_ < text_.size()) return static_cast<unsigned char>(text_[at_++]);
    if (at_ == text_.size()) ++at_;
    return kEnd;
}

bool PrefsScanner::take(unsigned char c) {
    if (at_ < text_.size() && static_cast<unsigned char>(text_[at_]) == c) {
        ++at_;
        return true;
    }
    return false;
}

// A line end has just been read; CR LF counts as one.
void PrefsScanner::lineEnd(unsigned char c) {
    if (c == '\r') take('\n');
    if (topLevel_ && safeLineStarts_ != nullptr) safeLineStarts_->push_back(static_cast<std::uint32_t>(at_));
}

void PrefsScanner::lineComment() {
    for (;;) {
        const unsigned char c = get();
        if (c == '\n' || c == '\r') {
            lineEnd(c);
            return;
        }
        if (c == kEnd) return;
    }
}

// False when the text ends before "*/".
bool PrefsScanner::blockComment() {
    for (;;) {
        const unsigned char c = get();
        if (c == '*' && take('/')) return true;
        if (c == '\r') take('\n');
        if (c == kEnd) return false;
    }
}

PrefsScanner::Token PrefsScanner::lex(std::string* stringBuffer) {
    for (;;) {
        const unsigned char c = get();
        tokenStart_ = at_ - 1;
        switch (c) {
        case kEnd: return Token::End;
        case '(': return Token::Open;
        case ')': return Token::Close;
        case ',': return Token::Comma;
        case '+': return Token::Plus;
        case '-': return Token::Minus;
        case ';': return Token::Semicolon;
        case ' ':
        case '\t':
        case '\v':
        case '\f': continue;
        case '\n':
        case '\r': lineEnd(c); continue;
        case '#': lineComment(); continue;
        case '/': {
            const unsigned char next = get();
            if (next == '/') {
                lineComment();
                continue;
            }
            if (next == '*') {
                if (!blockComment()) return Token::Error;
                continue;
            }
            if (next == '\n' || next == '\r') unget();
            return Token::Error;
        }
        case '"':
        case '\'': return string(c, stringBuffer);
        default:
            if (isDigit(c)) return number(c);
            if (isKeywordChar(c)) return keyword(tokenStart_);
            return Token::Error;
        }
    }
}

PrefsScanner::Token PrefsScanner::keyword(std::size_t start) {
    while (isKeywordChar(get())) {
    }
    unget();
    const std::string_view word = text_.substr(start, at_ - start);
    if (word == "user_pref") return Token::UserPref;
    if (word == "pref") return Token::Pref;
    if (word == "true") return Token::True;
    if (word == "false") return Token::False;
    if (word == "sticky_pref") return Token::StickyPref;
    if (word == "lockPref") return Token::LockPref;
    // Including "sticky" and "locked", which only files of defaults may use.
    return Token::Error;
}

// Digits: a number up to 2^32 - 1; more is an error, and so is a letter right
// after the digits ("12ab").
PrefsScanner::Token PrefsScanner::number(unsigned char first) {
    unsigned long long value = first - '0';
    bool overflow = false;
    for (;;) {
        const unsigned char c = get();
        if (isDigit(c)) {
            value = value * 10 + (c - '0');
            if (value > 0xFFFFFFFFULL) {
                overflow = true;
                value = 0xFFFFFFFFULL;
            }
            continue;
        }
        unget();
        if (isKeywordChar(c)) return Token::Error;
        break;
    }
    number_ = value;
    return overflow ? Token::Error : Token::Integer;
}

bool PrefsScanner::hexDigits(int count, unsigned& value) {
    value = 0;
    for (int i = 0; i < count; ++i) {
        const int digit = hexValue(get());
        if (digit < 0) {
            unget();
            return false;
        }
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return true;
}

// After a backslash: adds the escaped character; false for a malformed escape.
bool PrefsScanner::escape(std::string* buffer) {
    const unsigned char c = get();
    switch (c) {
    case '"':
    case '\'':
    case '\\': *buffer += static_cast<char>(c); return true;
    case 'n': *buffer += '\n'; return true;
    case 'r': *buffer += '\r'; return true;
    case 'x': {
        unsigned value = 0;
        if (!hexDigits(2, value) || value == 0) return false;
        *buffer += static_cast<char>(value);
        return true;
    }
    case 'u': {
        unsigned unit = 0;
        if (!hexDigits(4, unit) || unit == 0 || (unit & 0xFC00) == 0xDC00) return false;
        if ((unit & 0xFC00) == 0xD800) {
            unsigned low = 0;
            if (!take('\\') || !take('u') || !hexDigits(4, low) || (low & 0xFC00) != 0xDC00) return false;
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
        appendUtf8(*buffer, unit);
        return true;
    }
    default:
        if (c == '\n' || c == '\r') unget();
        return false;
    }
}

PrefsScanner::Token PrefsScanner::string(unsigned char quote, std::string* buffer) {
    const std::size_t start = at_;
    std::size_t end = start;
    while (end < text_.size() && !kStringSpecial[static_cast<unsigned char>(text_[end])]) ++end;
    if (end < text_.size() && static_cast<unsigned char>(text_[end]) == quote) {
        stringValue_ = text_.substr(start, end - start);
        at_ = end + 1;
        return Token::String;
    }
    // Escapes, line ends or the other quote: the text is built up. A fault
    // makes the whole string an error, which still ends at its closing quote.
    buffer->assign(text_.substr(start, end - start));
    at_ = end;
    bool good = true;
    for (;;) {
        const unsigned char c = get();
        if (c == quote) break;
        if (c == '\\') {
            if (!escape(buffer)) good = false;
        } else if (c == kEnd) {
            good = false;  // unterminated
            break;
        } else {
            *buffer += static_cast<char>(c);
        }
    }
    stringValue_ = *buffer;
    return good ? Token::String : Token::Error;
}

// Thunderbird's recovery from a statement it cannot read: everything up to
// the next ";" is dropped, and reading goes on after it.
PrefsScanner::Token PrefsScanner::recover(Token token) {
    for (;;) {
        if (token == Token::Semicolon) return statementStart();
        if (token == Token::End) {
            endIsSafe_ = false;
            return token;
        }
        token = lex(&ignored_);
    }
}

PrefsScanner::Token PrefsScanner::statementStart() {
    topLevel_ = true;
    const Token first = lex(&ignored_);
    topLevel_ = false;
    endIsSafe_ = true;
    return first;
}

// A value: a string, true, false or a number with an optional sign that fits
// 32 bits. Otherwise failed is the token to recover from.
bool PrefsScanner::value(PrefStatement& statement, Token& failed) {
    const Token token = lex(&valueBuffer_);
    statement.text = {};
    statement.number = 0;
    switch (token) {
    case Token::String:
        statement.type = PrefType::String;
        statement.text = stringValue_;
        return true;
    case Token::True:
    case Token::False:
        statement.type = PrefType::Boolean;
        statement.text = token == Token::True ? "true" : "false";
        return true;
    case Token::Integer:
        statement.type = PrefType::Integer;
        statement.number = static_cast<long long>(number_);
        failed = Token::Error;
        return number_ <= kIntMax;
    case Token::Plus:
    case Token::Minus: {
        const bool negative = token == Token::Minus;
        failed = lex(&ignored_);
        if (failed != Token::Integer) return false;
        failed = Token::Error;
        if (number_ > kIntMax + (negative ? 1 : 0)) return false;
        statement.type = PrefType::Integer;
        statement.number = negative ? -static_cast<long long>(number_) : static_cast<long long>(number_);
        return true;
    }
    default: failed = token; return false;
    }
}

bool PrefsScanner::next(PrefStatement& statement) {
    if (finished_) return false;
    Token token = started_ ? pending_ : statementStart();
    started_ = true;
    for (;;) {
        if (token == Token::End) {
            finished_ = true;
            readEnd_ = tokenStart_ < text_.size() ? tokenStart_ : text_.size();
            return false;
        }
        statement.begin = tokenStart_;
        statement.user = token == Token::UserPref;
        const bool specifier = token == Token::UserPref || token == Token::Pref || token == Token::StickyPref ||
                               token == Token::LockPref;
        if (!specifier || (token = lex(&ignored_)) != Token::Open || (token = lex(&keyBuffer_)) != Token::String) {
            token = recover(token);
            continue;
        }
        statement.key = stringValue_;
        if ((token = lex(&ignored_)) != Token::Comma || !value(statement, token) ||
            (token = lex(&ignored_)) != Token::Close || (token = lex(&ignored_)) != Token::Semicolon) {
            token = recover(token);
            continue;
        }
        statement.end = at_;
        pending_ = statementStart();
        return true;
    }
}

}  // namespace tw::thunderbird
