// Windows Mail account files for tests: building them from lines of text and
// showing their bytes as readable text, on both backends and end to end.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace tw::test {

// The UTF-16LE bytes of the text, without a byte-order mark.
std::string utf16le(std::u16string_view text);

// An account file as Windows Mail keeps it: the byte-order mark, then each
// line followed by CR LF.
std::string accountFileOf(std::initializer_list<std::u16string_view> lines);

// A file's bytes as text to compare: "<BOM>" for a byte-order mark, "\n" for
// each CR LF, "<CR>" and "<LF>" for a lone one, "<U+20AC>" for any other unit
// outside printable ASCII, and "<odd byte>" for a last half unit.
std::string shownFile(std::string_view bytes);

// The text of a new account file (as shownFile shows it) for an ASCII
// address and display name.
std::string newAccountText(std::string_view address, std::string_view displayName, bool useSsl);

// The log lines that list what was written, for an ASCII address and name.
std::string settingsLogText(std::string_view address, std::string_view displayName, bool useSsl);

// Account files of ann@example.com as a user might have them, and what an
// update with the provider's settings (SSL on, display name "Ann Example")
// makes of them. The IMAP account has every element this tool writes, some it
// does not know, an empty line and its own indentation; the POP3 account has
// POP3 elements in place of the IMAP ones.
std::string imapAccount();
std::string imapAccountUpdated();
std::string popAccount();
std::string popAccountUpdated(bool useSsl);

// The provider's host names put in for $SECURE, $IMAP, $SMTP and $POP.
std::string withMailHosts(std::string text);

}  // namespace tw::test
