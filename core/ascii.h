// Letter case of ASCII text, as Windows and the clients' own formats compare
// names: only A to Z and a to z change, every other byte stays.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace tw {

constexpr char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string lowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = lowerAscii(c);
    return lower;
}

constexpr bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

}  // namespace tw
