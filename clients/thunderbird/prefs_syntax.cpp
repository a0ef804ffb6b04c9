#include "clients/thunderbird/prefs_syntax.h"

#include <cstring>

namespace tw::thunderbird {
namespace {

constexpr unsigned char kEnd = 0;  // a NUL byte, and what lies past the text
constexpr unsigned long long kIntMax = 2147483647ULL;

bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool isKeywordChar(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool endsPlainString(unsigned char c, unsigned char quote) {
    return c == quote || c == '\\' || c == '\n' || c == '\r' || c == kEnd;
}

int hexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

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

PrefsScanner::PrefsScanner(PrefsSource& source) : source_(source) {
    data_ = source.window().data();
    base_ = source.base();
    limit_ = base_ + source.window().size();
    at_ = keep_ = base_;
    if (at_ != 0) return;
    // Thunderbird passes over a UTF-8 byte order mark at the start; nothing
    // may be put before it.
    if (!(take(0xEF) && take(0xBB) && take(0xBF))) at_ = 0;
    lastSafe_ = at_;
}

// The window moves on, keeping what the token or statement being read needs.
// The byte before is kept as well, so that the end of the text can tell
// whether its last line has a line end.
bool PrefsScanner::refill() {
    if (!source_.more(keep_ > base_ ? keep_ - 1 : keep_)) return false;
    data_ = source_.window().data();
    base_ = source_.base();
    limit_ = base_ + source_.window().size();
    return true;
}

unsigned char PrefsScanner::getMore() {
    if (at_ == limit_ && refill()) return static_cast<unsigned char>(data_[at_++ - base_]);
    if (at_ == limit_) ++at_;
    return kEnd;
}

bool PrefsScanner::take(unsigned char c) {
    if (at_ >= limit_ && (at_ > limit_ || !refill())) return false;
    if (static_cast<unsigned char>(data_[at_ - base_]) != c) return false;
    ++at_;
    return true;
}

// A line end has just been read; CR LF counts as one.
void PrefsScanner::lineEnd(unsigned char c) {
    if (c == '\r') take('\n');
    if (!topLevel_) return;
    lastSafe_ = at_;
    if (!firstSafe_) firstSafe_ = at_;
}

void PrefsScanner::lineComment() {
    for (;;) {
        if (!holding_) keep_ = at_;
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
        if (!holding_) keep_ = at_;
        const unsigned char c = get();
        if (c == '*' && take('/')) return true;
        if (c == '\r') take('\n');
        if (c == kEnd) return false;
    }
}

PrefsScanner::Token PrefsScanner::lex(std::string* stringBuffer) {
    for (;;) {
        if (!holding_) keep_ = at_;  // blanks and comments between statements are not needed again
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
    const std::string_view word = bytes(start, at_ - start);
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

// How far from start the text runs without the closing quote, an escape, a
// line end or a NUL. Strings make up most of a prefs.js, so eight bytes are
// looked at together: all the bytes that stop a string are below 0x28 but
// the backslash, and a block without any such byte is passed whole.
std::size_t PrefsScanner::plainRunEndInWindow(std::size_t start, unsigned char quote) const {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
    std::size_t end = start;
    while (end + 8 <= limit_) {
        std::uint64_t word;
        std::memcpy(&word, data_ + (end - base_), sizeof word);
        const std::uint64_t below28 = (word - kOnes * 0x28) & ~word & kHighs;
        const std::uint64_t backslashes = word ^ (kOnes * '\\');
        if ((below28 | ((backslashes - kOnes) & ~backslashes & kHighs)) != 0) {
            for (std::size_t k = end; k < end + 8; ++k) {
                if (endsPlainString(static_cast<unsigned char>(data_[k - base_]), quote)) return k;
            }
        }
        end += 8;
    }
    for (; end < limit_; ++end) {
        if (endsPlainString(static_cast<unsigned char>(data_[end - base_]), quote)) return end;
    }
    return end;
}

std::size_t PrefsScanner::plainRunEnd(std::size_t start, unsigned char quote) {
    for (std::size_t end = start;;) {
        end = plainRunEndInWindow(end, quote);
        if (end < limit_ || !refill()) return end;
    }
}

// The statement after "user_pref" as Thunderbird writes it: ("key", value);
// with a string, a number or true/false, no blanks but the one after the
// comma, no escapes, all of it in the window. Anything else is left to the
// general reading, which gives the same result for these.
bool PrefsScanner::quickStatement(PrefStatement& statement) {
    const auto byte = [this](std::size_t at) { return at < limit_ ? static_cast<unsigned char>(data_[at - base_]) : -1; };
    const auto quoted = [&](std::size_t at) {  // the end of a plain string opened before at, or npos
        const std::size_t end = plainRunEndInWindow(at, '"');
        return byte(end) == '"' ? end : std::string_view::npos;
    };
    if (byte(at_) != '(' || byte(at_ + 1) != '"') return false;
    const std::size_t keyStart = at_ + 2;
    const std::size_t keyEnd = quoted(keyStart);
    if (keyEnd == std::string_view::npos || byte(keyEnd + 1) != ',' || byte(keyEnd + 2) != ' ') return false;
    std::size_t at = keyEnd + 3;
    std::string_view text;
    long long number = 0;
    PrefType type = PrefType::Integer;
    if (byte(at) == '"') {
        const std::size_t end = quoted(at + 1);
        if (end == std::string_view::npos) return false;
        text = bytes(at + 1, end - at - 1);
        type = PrefType::String;
        at = end + 1;
    } else if (byte(at) == 't' || byte(at) == 'f') {
        const bool truth = byte(at) == 't';
        const std::string_view word = truth ? "true" : "false";
        if (limit_ - at < word.size() || bytes(at, word.size()) != word) return false;
        text = word;
        number = truth;
        type = PrefType::Boolean;
        at += word.size();
    } else {
        const bool negative = byte(at) == '-';
        if (negative) ++at;
        const std::size_t digits = at;
        unsigned long long value = 0;
        for (; byte(at) >= '0' && byte(at) <= '9' && value <= kIntMax + 1; ++at) {
            value = value * 10 + static_cast<unsigned>(byte(at) - '0');
        }
        if (at == digits || value > kIntMax + (negative ? 1 : 0)) return false;
        number = negative ? -static_cast<long long>(value) : static_cast<long long>(value);
    }
    if (byte(at) != ')' || byte(at + 1) != ';') return false;
    statement.key = bytes(keyStart, keyEnd - keyStart);
    statement.text = text;
    statement.number = number;
    statement.type = type;
    statement.end = at_ = at + 2;
    return true;
}

PrefsScanner::Token PrefsScanner::string(unsigned char quote, std::string* buffer) {
    const std::size_t start = at_;
    const std::size_t end = plainRunEnd(start, quote);
    if (end < limit_ && static_cast<unsigned char>(data_[end - base_]) == quote) {
        string_ = {start, end - start, nullptr};
        at_ = end + 1;
        return Token::String;
    }
    // Escapes, line ends or the text's end: the text is built up. A fault
    // makes the whole string an error, which still ends at its closing quote.
    buffer->assign(bytes(start, end - start));
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
    string_ = {start, 0, buffer};
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
        holding_ = false;
        token = lex(&ignored_);
    }
}

PrefsScanner::Token PrefsScanner::statementStart() {
    holding_ = false;
    topLevel_ = true;
    const Token first = lex(&ignored_);
    topLevel_ = false;
    // The statement's bytes stay in the window until it has been read.
    keep_ = tokenStart_;
    holding_ = true;
    pendingLineStart_ = lastSafe_;
    endIsSafe_ = true;
    return first;
}

// A value: a string, true, false or a number with an optional sign that fits
// 32 bits. Otherwise failed is the token to recover from.
bool PrefsScanner::value(PrefStatement& statement, Token& failed) {
    const Token token = lex(&valueBuffer_);
    statement.number = 0;
    switch (token) {
    case Token::String: statement.type = PrefType::String; return true;
    case Token::True:
    case Token::False:
        statement.type = PrefType::Boolean;
        statement.number = token == Token::True;
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

void PrefsScanner::finish() {
    finished_ = true;
    readEnd_ = tokenStart_ < limit_ ? tokenStart_ : limit_;
    // The window keeps the byte before the place it was kept from.
    endNeedsLineBreak_ = readEnd_ > base_ && data_[readEnd_ - 1 - base_] != '\n' && data_[readEnd_ - 1 - base_] != '\r';
}

bool PrefsScanner::next(PrefStatement& statement) {
    if (finished_) return false;
    Token token = statementStart();
    for (;;) {
        if (token == Token::End) {
            finish();
            return false;
        }
        statement.begin = tokenStart_;
        statement.lineStart = pendingLineStart_.value_or(0);
        statement.user = token == Token::UserPref;
        if (token == Token::UserPref && quickStatement(statement)) return true;
        const bool specifier = token == Token::UserPref || token == Token::Pref || token == Token::StickyPref ||
                               token == Token::LockPref;
        if (!specifier || (token = lex(&ignored_)) != Token::Open || (token = lex(&keyBuffer_)) != Token::String) {
            token = recover(token);
            continue;
        }
        const StringToken key = string_;
        if ((token = lex(&ignored_)) != Token::Comma || !value(statement, token)) {
            token = recover(token);
            continue;
        }
        const StringToken text = statement.type == PrefType::String ? string_ : StringToken{};
        if ((token = lex(&ignored_)) != Token::Close || (token = lex(&ignored_)) != Token::Semicolon) {
            token = recover(token);
            continue;
        }
        statement.end = at_;
        statement.key = textOf(key);
        statement.text = statement.type == PrefType::String    ? textOf(text)
                         : statement.type == PrefType::Boolean ? std::string_view(statement.number ? "true" : "false")
                                                               : std::string_view();
        return true;
    }
}

}  // namespace tw::thunderbird
