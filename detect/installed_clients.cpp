#include "detect/installed_clients.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <string>

#include "core/markers.h"
#include "core/registry_access.h"
#include "platform/registry.h"

namespace tw {
namespace {

constexpr std::array<std::string_view, kClientCount> kRegistrationKeys = {
    "SOFTWARE\\Clients\\Mail\\Outlook Express", "SOFTWARE\\Clients\\Mail\\Microsoft Outlook",
    "SOFTWARE\\Clients\\Mail\\Windows Mail", "SOFTWARE\\Clients\\Mail\\Eudora",
    "SOFTWARE\\Clients\\Mail\\Mozilla Thunderbird"};

// The order the log reports them in.
constexpr std::array<ClientKind, 4> kLogOrder = {Thunderbird, Eudora, OutlookExpress, WindowsMail};

}  // namespace

// A client registers in the registry view of its own bitness: both are searched.
bool isClientInstalled(ClientKind kind) {
    if (!isClientKind(kind)) return false;
    platform::RegKey key;
    return openMachineKey(key, kRegistrationKeys[kind], platform::kKeyRead) == platform::kSuccess;
}

int parseOutlookVersion(std::string_view text) {
    const auto office = text.find("Office\\");
    if (office == std::string_view::npos) return 0;
    const auto start = office + 7;
    const auto end = text.find(".0\\", start);
    if (end == std::string_view::npos) return 0;
    // Like atoi on the characters between the marks: blanks, a sign, digits.
    std::string_view number = text.substr(start, end - start);
    std::size_t i = 0;
    while (i < number.size() && std::isspace(static_cast<unsigned char>(number[i]))) ++i;
    bool negative = false;
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) negative = number[i++] == '-';
    long long value = 0;
    for (; i < number.size() && std::isdigit(static_cast<unsigned char>(number[i])); ++i) {
        value = std::min<long long>(value * 10 + (number[i] - '0'), INT_MAX);  // saturate, never overflow
    }
    return static_cast<int>(negative ? -value : value);
}

int readOutlookVersion() {
    // Outlook 2000 to 2007 are 32-bit programs: on 64-bit Windows their
    // registration is in the 32-bit view.
    const std::string value = readMachineText(kRegistrationKeys[Outlook], "MSIApplicationLCID", platform::kKeyRead);
    return value == kErrorMarker ? 0 : parseOutlookVersion(value);
}

InstalledClients detectInstalledClients(SessionLog& log, const std::function<void(ClientKind)>& notDetected) {
    InstalledClients result;
    for (ClientKind kind : kLogOrder) {
        result.installed[kind] = isClientInstalled(kind);
        log << "Searching for " << clientMessageName(kind) << " ... "
            << (result.installed[kind] ? "found." : "not detected.");
        log.endLine();
        if (!result.installed[kind] && notDetected) notDetected(kind);
    }
    log << "Searching for " << clientMessageName(Outlook) << " ... ";
    platform::RegKey registration;
    const platform::Status rc = openMachineKey(registration, kRegistrationKeys[Outlook], platform::kKeyRead);
    result.installed[Outlook] = rc == platform::kSuccess;
    if (result.installed[Outlook]) {
        result.outlookMajorVersion = readOutlookVersion();
        log << "found. (Version " << result.outlookMajorVersion << ")";
    } else {
        log << "not detected.";
    }
    if (rc != platform::kSuccess && rc != platform::kErrorFileNotFound) {
        // A registration that is there but cannot be read tells no version:
        // the writer is then chosen by the stores Outlook has, as for a
        // registration without one, not as for no Outlook at all.
        result.outlookMajorVersion = 0;
        log.endLine();
        log << "(" << kRegistrationKeys[Outlook] << " cannot be read: error " << rc << ")";
    }
    log.endLineBlank();
    if (!result.installed[Outlook] && notDetected) notDetected(Outlook);
    return result;
}

}  // namespace tw
