#include "platform/text.h"

#include <array>
#include <cstdint>

#include "platform/fake/fake_state.h"

namespace tw::platform {
namespace {

// Windows-1252 bytes 0x80 to 0x9F; the five bytes it leaves undefined map to
// the control characters of the same number, as Windows maps them.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t fromAnsi(unsigned char byte) { return fake::ansiCodePoint(byte); }

void appendUtf8(std::string& out, char32_t c) {
    auto put = [&out](std::uint32_t byte) { out += static_cast<char>(byte); };
    if (c < 0x80) {
        put(c);
    } else if (c < 0x800) {
        put(0xC0 | c >> 6);
        put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        put(0xE0 | c >> 12);
        put(0x80 | (c >> 6 & 0x3F));
        put(0x80 | (c & 0x3F));
    } else {
        put(0xF0 | c >> 18);
        put(0x80 | (c >> 12 & 0x3F));
        put(0x80 | (c >> 6 & 0x3F));
        put(0x80 | (c & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[i], advancing i; a malformed one gives U+FFFD.
char32_t nextUtf8(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) return lead;
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) > text.size()) return 0xFFFD;
    char32_t c = lead & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) return 0xFFFD;
        c = c << 6 | (next & 0x3F);
        ++i;
    }
    return c;
}

char toAnsi(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c < 0x100)) return static_cast<char>(c);
    for (std::size_t k = 0; k < kHighControls.size(); ++k) {
        if (kHighControls[k] == c) return static_cast<char>(0x80 + k);
    }
    return '?';
}

}  // namespace

char32_t fake::ansiCodePoint(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte;
}

std::string ansiToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char byte : text) appendUtf8(out, fromAnsi(static_cast<unsigned char>(byte)));
    return out;
}

std::string utf8ToAnsi(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) out += toAnsi(nextUtf8(text, i));
    return out;
}

}  // namespace tw::platform
