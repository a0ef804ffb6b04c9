#include "platform/mapi.h"

#include <windows.h>

#include <utility>

#include "platform/win32/mapi_interfaces.h"
#include "platform/win32/mapi_library.h"

namespace tw::platform {
namespace {

std::string& libraryOverride() {
    static std::string path;
    return path;
}

HResult fromWin32(DWORD error) { return static_cast<HResult>(HRESULT_FROM_WIN32(error)); }

// The loaded MAPI32.DLL, freed last of all.
class Library {
public:
    explicit Library(const std::string& path) {
        // A missing dependency must not stop the run with a system message box.
        const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        module_ = LoadLibraryA(path.c_str());
        error_ = module_ == nullptr ? GetLastError() : ERROR_SUCCESS;
        SetErrorMode(oldMode);
    }
    ~Library() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    DWORD error() const { return error_; }

    // MAPI32.DLL exports each entry point by its plain name and, on 32-bit
    // Windows, also by its decorated stdcall name ("MAPIInitialize@4"); some
    // builds carry only one of the two.
    template <typename Function>
    Function entry(const char* name, const char* decorated) {
        FARPROC proc = GetProcAddress(module_, name);
        if (proc == nullptr) proc = GetProcAddress(module_, decorated);
        if (proc == nullptr && error_ == ERROR_SUCCESS) error_ = GetLastError();
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
    }

private:
    HMODULE module_ = nullptr;
    DWORD error_ = ERROR_SUCCESS;
};

// MAPIUninitialize once MAPIInitialize has succeeded, after every interface is released.
class Initialized {
public:
    explicit Initialized(mapi::UninitializeFn uninitialize) : uninitialize_(uninitialize) {}
    ~Initialized() { uninitialize_(); }
    Initialized(const Initialized&) = delete;
    Initialized& operator=(const Initialized&) = delete;

private:
    mapi::UninitializeFn uninitialize_;
};

// One reference to a MAPI interface, released when it goes.
template <typename Interface>
class Ref {
public:
    Ref() = default;
    ~Ref() {
        if (pointer_ != nullptr) pointer_->Release();
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;

    Interface** out() { return &pointer_; }
    Interface* get() const { return pointer_; }

private:
    Interface* pointer_ = nullptr;
};

// The logon session: logged off, then released.
class LoggedOn {
public:
    LoggedOn() = default;
    ~LoggedOn() {
        if (session_ != nullptr) {
            session_->Logoff(0, 0, 0);
            session_->Release();
        }
    }
    LoggedOn(const LoggedOn&) = delete;
    LoggedOn& operator=(const LoggedOn&) = delete;

    mapi::Session** out() { return &session_; }
    bool valid() const { return session_ != nullptr; }

private:
    mapi::Session* session_ = nullptr;
};

MapiResult failure(MapiCall call, HResult code) { return MapiResult{false, call, code}; }

// A call that claims success but hands back no interface is a failure too.
constexpr HResult kNoInterface = static_cast<HResult>(0x80004003);  // E_POINTER

}  // namespace

namespace mapi {

std::string libraryPath() {
    if (!libraryOverride().empty()) return libraryOverride();
    char folder[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length > MAX_PATH) return "MAPI32.DLL";
    return std::string(folder, length) + "\\MAPI32.DLL";
}

void setLibraryPathForTesting(std::string path) { libraryOverride() = std::move(path); }

}  // namespace mapi

MapiResult createMessageService(const std::string& profileName, const std::string& serviceName,
                                const std::string& displayName) {
    // Declared in the order they are undone in reverse: the library last, then
    // MAPIUninitialize, after the profile administration, the session and the
    // service administration are released.
    Library library(mapi::libraryPath());
    if (library.error() != ERROR_SUCCESS) return failure(MapiCall::Initialize, fromWin32(library.error()));
    const auto initialize = library.entry<mapi::InitializeFn>("MAPIInitialize", "MAPIInitialize@4");
    const auto uninitialize = library.entry<mapi::UninitializeFn>("MAPIUninitialize", "MAPIUninitialize@0");
    const auto adminProfiles = library.entry<mapi::AdminProfilesFn>("MAPIAdminProfiles", "MAPIAdminProfiles@8");
    const auto logonEx = library.entry<mapi::LogonExFn>("MAPILogonEx", "MAPILogonEx@20");
    if (initialize == nullptr || uninitialize == nullptr || adminProfiles == nullptr || logonEx == nullptr) {
        return failure(MapiCall::Initialize, fromWin32(library.error()));
    }

    HResult rc = initialize(nullptr);
    if (FAILED(rc)) return failure(MapiCall::Initialize, rc);
    const Initialized initialized(uninitialize);

    std::string profile = profileName;
    Ref<mapi::ProfAdmin> profAdmin;
    rc = adminProfiles(0, profAdmin.out());
    if (FAILED(rc)) return failure(MapiCall::AdminProfiles, rc);
    if (profAdmin.get() == nullptr) return failure(MapiCall::AdminProfiles, kNoInterface);

    // The session itself is not used: the logon only has to succeed.
    LoggedOn session;
    rc = logonEx(0, profile.data(), nullptr, 0, session.out());
    if (FAILED(rc)) return failure(MapiCall::LogonEx, rc);
    if (!session.valid()) return failure(MapiCall::LogonEx, kNoInterface);

    Ref<mapi::MsgServiceAdmin> serviceAdmin;
    rc = profAdmin.get()->AdminServices(profile.data(), nullptr, 0, 0, serviceAdmin.out());
    if (FAILED(rc)) return failure(MapiCall::AdminServices, rc);
    if (serviceAdmin.get() == nullptr) return failure(MapiCall::AdminServices, kNoInterface);

    std::string service = serviceName;
    std::string display = displayName;
    rc = serviceAdmin.get()->CreateMsgService(service.data(), display.data(), 0, 0);
    if (FAILED(rc)) return failure(MapiCall::CreateMsgService, rc);
    return MapiResult{true, MapiCall::CreateMsgService, rc};
}

}  // namespace tw::platform
