// The texts of Outlook's profile account store are REG_BINARY values holding
// UTF-16LE with a terminating zero unit. These convert between them and the
// program's 8-bit text through the ANSI code page, exactly both ways: a
// character that has no counterpart is a failure, never a look-alike.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tw {

// The value bytes for a text: 2 bytes per UTF-16 unit and 2 zero bytes.
std::optional<std::string> widenText(std::string_view text);

// The text of value bytes, up to the first zero unit (all of it when there is
// none; an odd last byte is no unit and is left out).
std::optional<std::string> narrowText(std::string_view bytes);

}  // namespace tw
