// A stand-in MAPI32.DLL for the tests: the four entry points and just enough of
// IProfAdmin, IMsgServiceAdmin and IMAPISession for adding a message service to
// a profile, so that the program's real loading, calling and releasing code
// runs on its success path under Wine (whose own MAPI32 fails at
// MAPIInitialize). Like MAPI it keeps profiles in the registry: a profile is a
// key under the Profiles key, each section a subkey; a new service adds its
// service section (entry name "MailServiceEntry") and one provider section.
//
// Two environment variables steer it:
//   TIDEWELL_STANDIN_MAPI_RECORD  a file each call is appended to, one a line
//   TIDEWELL_STANDIN_MAPI_FAIL    "<call>=<hex result>" makes that call fail,
//                                  the call named as in the record
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/mapi_interfaces.h"

namespace {

using namespace tw::platform::mapi;

constexpr const char* kProfilesKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles";
constexpr HRESULT kLogonFailed = static_cast<HRESULT>(0x80040111);  // MAPI_E_LOGON_FAILED
constexpr HRESULT kNotInitialized = static_cast<HRESULT>(0x80040605);  // MAPI_E_NOT_INITIALIZED

LONG liveObjects = 0;
LONG initializations = 0;
unsigned sectionCounter = 0;

std::string environment(const char* name) {
    char value[1024] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

void record(const std::string& line) {
    const std::string path = environment("TIDEWELL_STANDIN_MAPI_RECORD");
    if (path.empty()) return;
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// The result the named call is told to give, or S_OK.
HRESULT injected(const char* call) {
    const std::string fail = environment("TIDEWELL_STANDIN_MAPI_FAIL");
    const auto equals = fail.find('=');
    if (equals == std::string::npos || fail.substr(0, equals) != call) return S_OK;
    return static_cast<HRESULT>(std::strtoul(fail.c_str() + equals + 1, nullptr, 16));
}

std::string profilePath(const std::string& profile) { return std::string(kProfilesKey) + "\\" + profile; }

bool profileExists(const char* profile) {
    if (profile == nullptr || *profile == '\0' || std::string(profile).find('\\') != std::string::npos) return false;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, profilePath(profile).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

bool setText(HKEY key, const char* name, const std::string& text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

// A new section named as MAPI names them, by a 32-digit hexadecimal UID.
bool addSection(const std::string& profile, const std::string& service, const char* entryName,
                const std::string& displayName) {
    char name[33] = {};
    std::snprintf(name, sizeof name, "%08lx%08lx%08lx%08x", GetCurrentProcessId(), GetTickCount(), 0x57a9d1UL,
                  ++sectionCounter);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, (profilePath(profile) + "\\" + name).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    bool ok = setText(key, "001e3d09", service) && setText(key, "001e3001", displayName);
    if (entryName != nullptr) ok = ok && setText(key, "001e3d0b", entryName);
    RegCloseKey(key);
    return ok;
}

// Reference counting shared by the three objects.
template <typename Interface>
class Object : public Interface {
public:
    explicit Object(const char* name) : name_(name) { InterlockedIncrement(&liveObjects); }
    virtual ~Object() { InterlockedDecrement(&liveObjects); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            record(std::string("Release ") + name_);
            delete this;
        }
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE GetLastError(HRESULT, ULONG, void**) override { return E_NOTIMPL; }

private:
    const char* name_;
    LONG references_ = 1;
};

class ServiceAdmin final : public Object<MsgServiceAdmin> {
public:
    explicit ServiceAdmin(std::string profile) : Object("IMsgServiceAdmin"), profile_(std::move(profile)) {}
    HRESULT STDMETHODCALLTYPE GetMsgServiceTable(ULONG, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateMsgService(char* service, char* displayName, ULONG_PTR, ULONG) override {
        const std::string name = service != nullptr ? service : "";
        const std::string display = displayName != nullptr ? displayName : "";
        record("CreateMsgService " + name + " " + display);
        if (const HRESULT rc = injected("CreateMsgService"); FAILED(rc)) return rc;
        if (!addSection(profile_, name, "MailServiceEntry", display) || !addSection(profile_, name, nullptr, display)) {
            return E_FAIL;
        }
        return S_OK;
    }

private:
    std::string profile_;
};

class ProfileAdmin final : public Object<ProfAdmin> {
public:
    ProfileAdmin() : Object("IProfAdmin") {}
    HRESULT STDMETHODCALLTYPE GetProfileTable(ULONG, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateProfile(char*, char*, ULONG_PTR, ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteProfile(char*, ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ChangeProfilePassword(char*, char*, char*, ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyProfile(char*, char*, char*, ULONG_PTR, ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RenameProfile(char*, char*, char*, ULONG_PTR, ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDefaultProfile(char*, ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AdminServices(char* profile, char*, ULONG_PTR, ULONG,
                                            MsgServiceAdmin** serviceAdmin) override {
        *serviceAdmin = nullptr;
        record(std::string("AdminServices ") + (profile != nullptr ? profile : ""));
        if (const HRESULT rc = injected("AdminServices"); FAILED(rc)) return rc;
        if (!profileExists(profile)) return kLogonFailed;
        *serviceAdmin = new ServiceAdmin(profile);
        return S_OK;
    }
};

class MapiSession final : public Object<Session> {
public:
    MapiSession() : Object("IMAPISession") {}
    HRESULT STDMETHODCALLTYPE GetMsgStoresTable(ULONG, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OpenMsgStore(ULONG_PTR, ULONG, void*, const IID*, ULONG, void**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE OpenAddressBook(ULONG_PTR, const IID*, ULONG, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OpenProfileSection(void*, const IID*, ULONG, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStatusTable(ULONG, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OpenEntry(ULONG, void*, const IID*, ULONG, ULONG*, IUnknown**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CompareEntryIDs(ULONG, void*, ULONG, void*, ULONG, ULONG*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Advise(ULONG, void*, ULONG, void*, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unadvise(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE MessageOptions(ULONG_PTR, ULONG, char*, void*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryDefaultMessageOpt(char*, ULONG, ULONG*, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumAdrTypes(ULONG, ULONG*, char***) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryIdentity(ULONG*, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Logoff(ULONG_PTR, ULONG, ULONG) override {
        record("Logoff");
        return S_OK;
    }
};

}  // namespace

extern "C" {

__declspec(dllexport) HRESULT WINAPI MAPIInitialize(void*) {
    record("MAPIInitialize");
    if (const HRESULT rc = injected("MAPIInitialize"); FAILED(rc)) return rc;
    InterlockedIncrement(&initializations);
    return S_OK;
}

__declspec(dllexport) void WINAPI MAPIUninitialize() {
    // Every interface must be gone by now.
    record(liveObjects == 0 ? std::string("MAPIUninitialize")
                            : "MAPIUninitialize with " + std::to_string(liveObjects) + " objects still held");
    InterlockedDecrement(&initializations);
}

__declspec(dllexport) HRESULT WINAPI MAPIAdminProfiles(ULONG, ProfAdmin** profAdmin) {
    *profAdmin = nullptr;
    record("MAPIAdminProfiles");
    if (initializations <= 0) return kNotInitialized;
    if (const HRESULT rc = injected("MAPIAdminProfiles"); FAILED(rc)) return rc;
    *profAdmin = new ProfileAdmin();
    return S_OK;
}

__declspec(dllexport) HRESULT WINAPI MAPILogonEx(ULONG_PTR, char* profile, char*, ULONG, Session** session) {
    *session = nullptr;
    record(std::string("MAPILogonEx ") + (profile != nullptr ? profile : ""));
    if (initializations <= 0) return kNotInitialized;
    if (const HRESULT rc = injected("MAPILogonEx"); FAILED(rc)) return rc;
    if (!profileExists(profile)) return kLogonFailed;
    *session = new MapiSession();
    return S_OK;
}

}  // extern "C"
