// Conversions between the 8-bit text of the program (the system's ANSI code
// page) and UTF-8, which some clients keep their files in. The fake backend
// takes the ANSI code page to be Windows-1252, as an English Windows has it.
#pragma once

#include <string>
#include <string_view>

namespace tw::platform {

std::string ansiToUtf8(std::string_view text);

// Characters the ANSI code page cannot hold become "?".
std::string utf8ToAnsi(std::string_view text);

// True when two texts of the ANSI code page differ at most in the letter case
// of their characters, accented letters included: "JOS\xC9" matches "jos\xE9",
// but "\xE9" (e acute) never matches a plain "e".
bool equalIgnoringCaseAnsi(std::string_view a, std::string_view b);

}  // namespace tw::platform
