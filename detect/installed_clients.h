// Which supported clients are registered with Windows, and Outlook's major version.
#pragma once

#include <array>
#include <functional>
#include <string_view>

#include "core/client_kind.h"
#include "core/session_log.h"

namespace tw {

struct InstalledClients {
    std::array<bool, kClientCount> installed{};
    // -1 when Outlook is not installed; 0 when its version is unknown (a
    // registration without one, or one that cannot be read)
    int outlookMajorVersion = -1;
};

bool isClientInstalled(ClientKind kind);

// The number between "Office\" and the following ".0\" in Outlook's
// MSIApplicationLCID value; 0 when the value or either mark is missing.
int readOutlookVersion();
int parseOutlookVersion(std::string_view msiApplicationLcid);

// Checks the five clients in log order (Thunderbird, Eudora, Outlook Express,
// Windows Mail, Outlook) and logs each. notDetected is told of each client that
// is missing, right after its check.
InstalledClients detectInstalledClients(SessionLog& log, const std::function<void(ClientKind)>& notDetected = {});

}  // namespace tw
