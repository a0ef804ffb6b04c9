// Extended MAPI, as far as this program uses it: adding a message service to a
// MAPI profile. MAPI32.DLL is loaded from the system folder at run time (it is
// not present on every machine, and never linked); every interface obtained is
// released and MAPI uninitialised again on every path, failures included.
// The fake backend keeps its profiles in the fake registry.
#pragma once

#include <cstdint>
#include <string>

namespace tw::platform {

using HResult = std::int32_t;

// The calls made, in their order. A failed call ends the sequence.
enum class MapiCall { Initialize, AdminProfiles, LogonEx, AdminServices, CreateMsgService };

struct MapiResult {
    bool succeeded = false;
    MapiCall failedCall = MapiCall::Initialize;  // meaningful when !succeeded
    HResult code = 0;                            // the failed call's result
};

// MAPIInitialize, MAPIAdminProfiles, MAPILogonEx(profile), IProfAdmin::AdminServices(profile) and
// IMsgServiceAdmin::CreateMsgService(service, displayName), all without UI and without a password.
// MAPI32.DLL missing, or lacking one of its entry points, is a failure of MAPIInitialize with the
// Windows error as its HRESULT.
MapiResult createMessageService(const std::string& profileName, const std::string& serviceName,
                                const std::string& displayName);

}  // namespace tw::platform
