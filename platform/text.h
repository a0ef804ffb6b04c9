// Conversions between the 8-bit text of the program (the system's ANSI code
// page) and the encodings some clients keep their stores in: UTF-8 in files,
// UTF-16 in Outlook's profile store. The fake backend takes the ANSI code page
// to be Windows-1252, as an English Windows has it.
#pragma once

#include <string>
#include <string_view>

namespace tw::platform {

std::string ansiToUtf8(std::string_view text);

// Characters the ANSI code page cannot hold become "?".
std::string utf8ToAnsi(std::string_view text);

// Exact conversions between ANSI text and UTF-16: false when a character has no
// counterpart on the other side (or the input is not valid in its encoding), so
// nothing is ever replaced by a look-alike or a "?". Every character of the ANSI
// code page goes there and back unchanged.
bool ansiToUtf16(std::string_view text, std::u16string& wide);
bool utf16ToAnsi(std::u16string_view wide, std::string& text);

}  // namespace tw::platform
