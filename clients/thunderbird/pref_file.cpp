#include "clients/thunderbird/pref_file.h"

namespace tw::thunderbird {

bool LineReader::next(std::string_view& line) {
    if (atEnd()) return false;
    std::size_t end = text_.find('\n', position_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(position_, end - position_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    position_ = end + 1;
    return true;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    LineReader reader(text);
    for (std::string_view line; reader.next(line);) lines.push_back(line);
    return lines;
}

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t'; }

std::size_t skipSpaces(std::string_view text, std::size_t at) {
    while (at < text.size() && isSpace(text[at])) ++at;
    return at;
}

// The end of a quoted value that starts at text[at]: the first unescaped quote.
std::size_t closingQuote(std::string_view text, std::size_t at) {
    while (at < text.size() && text[at] != '"') at += text[at] == '\\' ? 2 : 1;
    return at < text.size() ? at : std::string_view::npos;
}

constexpr std::string_view kOpen = "user_pref(\"";

// The position just after the key's opening quote, or npos.
std::size_t keyStart(std::string_view line) {
    const std::size_t at = skipSpaces(line, 0);
    return line.substr(at, kOpen.size()) == kOpen ? at + kOpen.size() : std::string_view::npos;
}

}  // namespace

std::string_view prefKey(std::string_view line) {
    const std::size_t at = keyStart(line);
    if (at == std::string_view::npos) return {};
    const std::size_t keyEnd = line.find('"', at);
    return keyEnd == std::string_view::npos ? std::string_view() : line.substr(at, keyEnd - at);
}

std::optional<PrefLine> parsePrefLine(std::string_view line) {
    std::size_t at = keyStart(line);
    if (at == std::string_view::npos) return std::nullopt;
    const std::size_t keyEnd = line.find('"', at);
    if (keyEnd == std::string_view::npos) return std::nullopt;
    PrefLine pref;
    pref.key = line.substr(at, keyEnd - at);
    at = skipSpaces(line, keyEnd + 1);
    if (at >= line.size() || line[at] != ',') return std::nullopt;
    at = skipSpaces(line, at + 1);
    if (at < line.size() && line[at] == '"') {
        const std::size_t end = closingQuote(line, at + 1);
        if (end == std::string_view::npos) return std::nullopt;
        pref.value = line.substr(at + 1, end - at - 1);
        pref.quoted = true;
        return pref;
    }
    std::size_t end = line.find(')', at);
    if (end == std::string_view::npos) return std::nullopt;
    while (end > at && isSpace(line[end - 1])) --end;
    pref.value = line.substr(at, end - at);
    return pref;
}

std::string escapePrefString(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        if (c == '\\' || c == '"') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::string encodeUriUserName(std::string_view text) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (char c : text) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '*' ||
                           c == '-' || c == '.' || c == '_';
        if (plain) {
            encoded += c;
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        encoded += '%';
        encoded += kHex[byte >> 4];
        encoded += kHex[byte & 0x0F];
    }
    return encoded;
}

long long leadingNumber(std::string_view text) {
    constexpr long long kCap = 1'000'000'000'000LL;
    long long number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        number = number * 10 + (c - '0');
        if (number > kCap) number = kCap;
    }
    return number;
}

void PrefsOutput::flush() {
    if (status_ == platform::kSuccess) status_ = file_.write(buffer_);
    buffer_.clear();
}

platform::Status PrefsOutput::finish() {
    flush();
    if (status_ == platform::kSuccess) status_ = file_.finish();
    return status_;
}

}  // namespace tw::thunderbird
