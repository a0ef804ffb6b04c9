#include "clients/outlook/profile_text.h"

#include "platform/text.h"

namespace tw {

std::optional<std::string> widenText(std::string_view text) {
    const auto wide = platform::ansiToUtf16(text);
    if (!wide) return std::nullopt;
    std::string bytes;
    bytes.reserve(wide->size() * 2 + 2);
    for (char16_t unit : *wide) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    bytes.append(2, '\0');
    return bytes;
}

std::optional<std::string> narrowText(std::string_view bytes) {
    std::u16string wide;
    for (std::size_t at = 0; at + 2 <= bytes.size(); at += 2) {
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[at]) |
                                                static_cast<unsigned char>(bytes[at + 1]) << 8);
        if (unit == 0) break;
        wide += unit;
    }
    return platform::utf16ToAnsi(wide);
}

}  // namespace tw
