// The fake MAPI keeps its profiles in the fake registry, where Windows keeps
// them: a profile is a key under the Profiles key, each of its sections a
// subkey. Creating a service adds the service's section, whose entry name is
// "MailServiceEntry", and one provider section. Calls are recorded as the
// stand-in MAPI32.DLL of the Windows tests records them, releases included.
#include "platform/mapi.h"

#include <cstdio>

#include "platform/fake/fake_state.h"
#include "platform/registry.h"

namespace tw::platform {
namespace {

constexpr const char* kProfilesKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles";
constexpr HResult kLogonFailed = static_cast<HResult>(0x80040111);  // MAPI_E_LOGON_FAILED

void record(const std::string& line) { fake::state().mapiCalls += line + "\n"; }

// A call a test has made fail (StandInMapi::failCall, or a CallFaults).
bool injectedFailure(MapiCall call, HResult& code) {
    Status error = 0;
    if (!fake::failing(fake::platformCallOf(call), {}, [] { return std::string(); }, error)) return false;
    code = static_cast<HResult>(error);
    return true;
}

std::string profilePath(const std::string& profile) { return std::string(kProfilesKey) + "\\" + profile; }

bool profileExists(const std::string& profile) {
    if (profile.empty() || profile.find('\\') != std::string::npos) return false;
    fake::InsideOneCall inside;
    RegKey key;
    return key.open(Hive::CurrentUser, profilePath(profile), kKeyRead) == kSuccess;
}

// A section name as MAPI makes them: 32 hexadecimal digits.
std::string newSectionName() {
    char name[33] = {};
    std::snprintf(name, sizeof name, "%024x%08x", 0x7e57u, fake::state().nextProfileSection++);
    return name;
}

HResult addService(const std::string& profile, const std::string& service, const std::string& displayName) {
    fake::InsideOneCall inside;
    RegKey section;
    if (section.create(Hive::CurrentUser, profilePath(profile) + "\\" + newSectionName(), kKeyAllAccess) != kSuccess) {
        return static_cast<HResult>(0x80004005);  // E_FAIL
    }
    section.setString("001e3d09", service);
    section.setString("001e3d0b", "MailServiceEntry");
    section.setString("001e3001", displayName);
    RegKey provider;
    if (provider.create(Hive::CurrentUser, profilePath(profile) + "\\" + newSectionName(), kKeyAllAccess) != kSuccess) {
        return static_cast<HResult>(0x80004005);
    }
    provider.setString("001e3d09", service);
    provider.setString("001e3001", displayName);
    return 0;
}

// Runs the calls up to the first failure; reports how far it got so the
// releases can be recorded in the reverse order.
MapiResult run(const std::string& profile, const std::string& service, const std::string& displayName,
               int& reached) {
    HResult code = 0;
    reached = 0;
    record("MAPIInitialize");
    if (injectedFailure(MapiCall::Initialize, code)) return {false, MapiCall::Initialize, code};
    reached = 1;
    record("MAPIAdminProfiles");
    if (injectedFailure(MapiCall::AdminProfiles, code)) return {false, MapiCall::AdminProfiles, code};
    reached = 2;
    record("MAPILogonEx " + profile);
    if (injectedFailure(MapiCall::LogonEx, code)) return {false, MapiCall::LogonEx, code};
    if (!profileExists(profile)) return {false, MapiCall::LogonEx, kLogonFailed};
    reached = 3;
    record("AdminServices " + profile);
    if (injectedFailure(MapiCall::AdminServices, code)) return {false, MapiCall::AdminServices, code};
    if (!profileExists(profile)) return {false, MapiCall::AdminServices, kLogonFailed};
    reached = 4;
    record("CreateMsgService " + service + " " + displayName);
    if (injectedFailure(MapiCall::CreateMsgService, code)) return {false, MapiCall::CreateMsgService, code};
    code = addService(profile, service, displayName);
    if (code < 0) return {false, MapiCall::CreateMsgService, code};
    return {true, MapiCall::CreateMsgService, 0};
}

}  // namespace

testing::PlatformCall fake::platformCallOf(MapiCall call) {
    switch (call) {
    case MapiCall::Initialize: return testing::PlatformCall::MapiInitialize;
    case MapiCall::AdminProfiles: return testing::PlatformCall::MapiAdminProfiles;
    case MapiCall::LogonEx: return testing::PlatformCall::MapiLogon;
    case MapiCall::AdminServices: return testing::PlatformCall::MapiAdminServices;
    case MapiCall::CreateMsgService: break;
    }
    return testing::PlatformCall::MapiCreateService;
}

MapiResult createMessageService(const std::string& profileName, const std::string& serviceName,
                                const std::string& displayName) {
    int reached = 0;
    const MapiResult result = run(profileName, serviceName, displayName, reached);
    if (reached >= 4) record("Release IMsgServiceAdmin");
    if (reached >= 3) {
        record("Logoff");
        record("Release IMAPISession");
    }
    if (reached >= 2) record("Release IProfAdmin");
    if (reached >= 1) record("MAPIUninitialize");
    return result;
}

}  // namespace tw::platform
