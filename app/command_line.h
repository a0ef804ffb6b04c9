// The windowless command line: options and their values.
#pragma once

#include <string>
#include <string_view>

#include "core/account_request.h"

namespace tw {

// The text after the program name without its trailing spaces.
std::string prepareCommandLine(std::string_view tail);

// True when " " + option occurs in " " + command line (a word that merely
// begins with the option counts too).
bool hasOption(std::string_view commandLine, std::string_view option);

// The text after the option up to the next " -", with the enclosing quotes of
// "-n", "-p", "-s" and "-a" removed; "*NULL*" when the option is absent.
std::string optionValue(std::string_view commandLine, std::string_view option);

// A value without its enclosing double quotes: an opening quote and the quote
// that closes it. Text that does not begin with a quote stays as it is.
std::string unquoted(std::string_view value);

struct ParsedCommandLine {
    bool ok = false;
    std::string problem;  // why the command line cannot run, for the usage text
};

// Fills the request's command-line fields from a prepared, non-empty command line.
ParsedCommandLine parseCommandLine(std::string_view commandLine, AccountRequest& request);

std::string usageText();

}  // namespace tw
