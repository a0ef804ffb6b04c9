// What one run configures, filled from the dialog or from the command line.
#pragma once

#include <string>

#include "core/client_kind.h"

namespace tw {

struct AccountRequest {
    std::string address;
    std::string displayName;
    ClientKind clientKind = kNoClient;
    bool makeDefault = false;
    bool overwriteExisting = false;
    bool useSsl = true;
    bool launchClient = false;
    bool commandLineMode = false;
    bool automaticMode = false;
    bool closeRunningClients = false;
    std::string searchAddress;
    std::string automaticPrefix;
    // The detected default client: ClientKind + 1, 0 when none is recognised,
    // -1 before detection has run.
    int defaultClientCode = -1;
};

}  // namespace tw
