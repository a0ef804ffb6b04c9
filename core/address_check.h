// Whether a text can serve as the address of a new account, checked once where
// the request is made (command line, dialog, automatic mode) so that no writer
// needs its own check. The clients keep accounts under registry keys named
// after the address, and a key name cannot hold a backslash: the registry reads
// it as a path, so "ann@example.com\" or "\ann@example.com" would name the key
// of the account "ann@example.com" instead of a new one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tw {

// Why the text is no address; nothing when it may be used.
std::optional<std::string> addressProblem(std::string_view address);

// Why the automatic form's prefix cannot begin an account's name.
std::optional<std::string> prefixProblem(std::string_view prefix);

// True when the text is empty or only blanks (spaces, tabs, line ends).
bool isBlank(std::string_view text);

// The text without the blanks around it. No address has any, but a pasted one
// often brings a trailing space, and a second space before the next option
// leaves one on the command line: kept, it would name another account than
// the address's (a key "ann@example.com " beside "ann@example.com"), one that
// Eudora's search, which ignores blanks around its values, never finds again.
std::string_view withoutBlanks(std::string_view text);

}  // namespace tw
