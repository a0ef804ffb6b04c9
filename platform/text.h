// Conversions between the 8-bit text of the program (the system's ANSI code
// page) and UTF-8 or UTF-16, which some clients keep their files and registry
// values in. The fake backend takes the ANSI code page to be Windows-1252, as an
// English Windows has it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tw::platform {

std::string ansiToUtf8(std::string_view text);

// Characters the ANSI code page cannot hold become "?".
std::string utf8ToAnsi(std::string_view text);

// UTF-16 code units of the text. Nothing when a byte (or a multi-byte
// sequence) has no character in the ANSI code page: never a substitute.
std::optional<std::u16string> ansiToUtf16(std::string_view text);

// The reverse. Nothing when a character has no exact form in the ANSI code
// page (no best-fit look-alike, no "?"), or for a lone surrogate.
std::optional<std::string> utf16ToAnsi(std::u16string_view text);
// True when two texts of the ANSI code page differ at most in the letter case
// of their characters, accented letters included: "JOS\xC9" matches "jos\xE9",
// but "\xE9" (e acute) never matches a plain "e".
bool equalIgnoringCaseAnsi(std::string_view a, std::string_view b);

}  // namespace tw::platform
