// The Windows Mail account file: one small XML file per account, UTF-16
// little-endian with a byte-order mark and CR LF line ends, one element per
// line. Windows Mail writes these files itself and users edit them, so they
// are handled as lines, never parsed as a whole: lines this tool does not know
// pass through. Everything here works on bytes in memory; the writer does the
// file system calls.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tw::windows_mail {

// The provider's account as an account file holds it. The texts are element
// text already (see elementText).
struct AccountFileSettings {
    std::u16string address;
    std::u16string displayName;
    bool useSsl = true;
};

// The program's 8-bit text as element text: widened through the ANSI code
// page, with "&", "<" and ">" escaped so the file stays well-formed XML.
// Nothing when a byte has no character in the code page, or for a control
// character XML cannot hold (a line break would also split the element's line).
std::optional<std::u16string> elementText(std::string_view ansiText);

// The bytes of a new account file.
std::string newAccountFile(const AccountFileSettings& settings);

// True when the bytes are an account file (byte-order mark, whole 16-bit units)
// with a line that holds the address as its SMTP_Email_Address element, letter
// case and all. Anything else (another element, another file, an odd file) is
// not this address.
bool accountFileHasAddress(std::string_view fileBytes, std::u16string_view address);

// The bytes of the account file rewritten with the provider's settings: the
// elements this tool writes are replaced, other lines are kept (re-indented),
// and settings the file lacked are appended. Nothing when the bytes are not
// an account file.
std::optional<std::string> updatedAccountFile(std::string_view fileBytes, const AccountFileSettings& settings);

// A number as account files and the log show it: eight lower-case hex digits.
std::string dwordText(unsigned value);

}  // namespace tw::windows_mail
