#include "app/command_line.h"

#include <climits>

#include "core/address_check.h"
#include "core/markers.h"

namespace tw {

std::string prepareCommandLine(std::string_view tail) {
    while (!tail.empty() && tail.back() == ' ') tail.remove_suffix(1);
    return std::string(tail);
}

namespace {

// " " + text, built by appending (GCC 12 warns falsely about operator+ here).
std::string spaced(std::string_view text) {
    std::string result(1, ' ');
    result.append(text);
    return result;
}

}  // namespace

bool hasOption(std::string_view commandLine, std::string_view option) {
    return spaced(commandLine).find(spaced(option)) != std::string::npos;
}

std::string optionValue(std::string_view commandLine, std::string_view option) {
    const std::string line = spaced(commandLine);
    const std::string key = spaced(option) + " ";
    const auto at = line.find(key);
    if (at == std::string::npos) {
        // The last option with nothing after it is there, with no value: as it
        // is when the next option follows at once ("-s -u"), not absent.
        return line.ends_with(spaced(option)) ? std::string() : std::string(kAbsentOption);
    }
    const auto start = at + option.size() + 2;
    auto end = line.find(" -", at + 1);
    if (end == std::string::npos) end = line.size();
    // An option directly followed by the next one has no value at all.
    const std::string value = end > start ? line.substr(start, end - start) : std::string();
    if (option == "-n" || option == "-p" || option == "-s" || option == "-a") return unquoted(value);
    return value;
}

std::string unquoted(std::string_view value) {
    // A value the next " -" cut short keeps its opening quote alone, and a
    // one-word value often arrives without quotes (Wine drops them): only a
    // quote is ever removed.
    if (value.empty() || value.front() != '"') return std::string(value);
    value.remove_prefix(1);
    // A second space before the next option is no part of the value: the
    // quote before it still closes it.
    const auto end = value.find_last_not_of(' ');
    if (end != std::string_view::npos && value[end] == '"') value = value.substr(0, end);
    return std::string(value);
}

namespace {

// The client number from the value's leading decimal digits. A value without
// digits names no client; a number too large for an int names none of the five.
bool parseClientKind(const std::string& value, ClientKind& kind) {
    std::size_t i = 0;
    long long number = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        if (number <= INT_MAX) number = number * 10 + (value[i] - '0');
    }
    if (i == 0) return false;
    kind = number > INT_MAX ? INT_MAX : static_cast<ClientKind>(number);
    return true;
}

}  // namespace

ParsedCommandLine parseCommandLine(std::string_view commandLine, AccountRequest& request) {
    request.commandLineMode = true;
    const bool makeDefault = hasOption(commandLine, "-d");
    const bool closeRunning = hasOption(commandLine, "-x");
    const bool overwrite = hasOption(commandLine, "-u");
    const bool automatic = hasOption(commandLine, "-auto");
    if (automatic) {
        request.automaticMode = true;
        request.closeRunningClients = closeRunning;
        request.makeDefault = makeDefault;
        request.overwriteExisting = overwrite;
        const std::string prefix = optionValue(commandLine, "-p");
        if (prefix == kAbsentOption) return {false, "missing option -p (required with -auto)"};
        if (const auto problem = prefixProblem(prefix)) return {false, "option -p: " + *problem};
        const std::string search = optionValue(commandLine, "-s");
        // An empty search text would match the first account of all.
        if (search != kAbsentOption && isBlank(search)) return {false, "option -s: the address is empty"};
        request.automaticPrefix = prefix;
        request.searchAddress = search == kAbsentOption ? std::string(kNoValue) : search;
        return {true, {}};
    }
    request.automaticMode = false;
    const std::string name = optionValue(commandLine, "-n");
    if (name == kAbsentOption) return {false, "missing option -n"};
    const std::string client = optionValue(commandLine, "-c");
    if (client == kAbsentOption) return {false, "missing option -c"};
    ClientKind kind = kNoClient;
    if (!parseClientKind(client, kind)) return {false, "option -c needs a client number from 0 to 4"};
    const std::string address = optionValue(commandLine, "-a");
    if (address == kAbsentOption) return {false, "missing option -a"};
    if (const auto problem = addressProblem(address)) return {false, "option -a: " + *problem};
    request.address = address;
    request.displayName = name;
    request.clientKind = kind;
    request.makeDefault = makeDefault;
    request.overwriteExisting = overwrite;
    return {true, {}};
}

std::string usageText() {
    return "Usage:\r\n"
           "  tidewell.exe                          opens the dialog\r\n"
           "  tidewell.exe -n \"NAME\" -c CLIENT -a ADDRESS [-d] [-u]\r\n"
           "  tidewell.exe -auto -p \"PREFIX\" [-s \"ADDRESS\"] [-d] [-u] [-x]\r\n"
           "CLIENT: 0 Outlook Express, 1 Outlook, 2 Windows Mail, 3 Eudora, 4 Thunderbird\r\n"
           "  -d  make the account the client's default    -u  overwrite an existing account\r\n"
           "  -x  close running mail clients (with -auto)  -s  account to copy instead of the default\r\n"
           "The result is written to Tidewell.log in the application-data folder.\r\n";
}

}  // namespace tw
