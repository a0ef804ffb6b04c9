#include "platform/text.h"

#include <array>
#include <cstdint>
#include <optional>

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

// The byte of a character, or nothing when Windows-1252 has no such character.
std::optional<char> exactAnsi(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c < 0x100)) return static_cast<char>(c);
    for (std::size_t k = 0; k < kHighControls.size(); ++k) {
        if (kHighControls[k] == c) return static_cast<char>(0x80 + k);
    }
    return std::nullopt;
}

char toAnsi(char32_t c) { return exactAnsi(c).value_or('?'); }
// The upper case of a character of Windows-1252, as Windows maps it.
char32_t upperCase(char32_t c) {
    if ((c >= U'a' && c <= U'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
    switch (c) {
    case 0xFF: return 0x178;   // y with diaeresis
    case 0x161: return 0x160;  // s with caron
    case 0x153: return 0x152;  // ligature oe
    case 0x17E: return 0x17D;  // z with caron
    case 0xB5: return 0x39C;   // micro sign, upper-cased to the Greek capital mu
    default: return c;
    }
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

// Every Windows-1252 byte has a character (the five undefined ones map to the
// control characters of the same number), so this never fails; a multi-byte
// code page can.
std::optional<std::u16string> ansiToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char byte : text) out += static_cast<char16_t>(fromAnsi(static_cast<unsigned char>(byte)));
    return out;
}

std::optional<std::string> utf16ToAnsi(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t unit : text) {
        // Windows-1252 has no character outside the basic plane, so any surrogate fails.
        const auto byte = exactAnsi(unit);
        if (!byte) return std::nullopt;
        out += *byte;
    }
    return out;
}

bool equalIgnoringCaseAnsi(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upperCase(fromAnsi(static_cast<unsigned char>(a[i]))) !=
            upperCase(fromAnsi(static_cast<unsigned char>(b[i])))) {
            return false;
        }
    }
    return true;
}

}  // namespace tw::platform
