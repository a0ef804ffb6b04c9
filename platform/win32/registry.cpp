#include "platform/registry.h"

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <utility>

namespace tw::platform {
namespace {

HKEY rootKey(Hive hive) {
    switch (hive) {
    case Hive::ClassesRoot: return HKEY_CLASSES_ROOT;
    case Hive::CurrentUser: return HKEY_CURRENT_USER;
    case Hive::LocalMachine: return HKEY_LOCAL_MACHINE;
    }
    return nullptr;
}

HKEY asKey(void* handle) { return static_cast<HKEY>(handle); }

// A name in the ANSI code page as UTF-16, the form the registry keeps it in.
std::wstring wideName(std::string_view name) {
    if (name.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(), length);
    return wide;
}

// NtQueryKey's KeyBasicInformation: the one documented way to ask an open key
// for its own name. advapi32 has none, so it is looked up in ntdll at run time.
struct KeyBasicInformation {
    LARGE_INTEGER lastWriteTime;
    ULONG titleIndex;
    ULONG nameLength;  // in bytes
    WCHAR name[1];
};
using NtQueryKeyFunction = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
using NtStatusToErrorFunction = ULONG(WINAPI*)(LONG);
constexpr int kKeyBasicInformation = 0;
constexpr LONG kStatusBufferOverflow = static_cast<LONG>(0x80000005);
constexpr LONG kStatusBufferTooSmall = static_cast<LONG>(0xC0000023);

template <typename Function>
Function ntdllFunction(const char* name) {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll == nullptr ? nullptr : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(ntdll, name)));
}

}  // namespace

RegKey::~RegKey() { close(); }

RegKey::RegKey(RegKey&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

Status RegKey::open(Hive hive, std::string_view path, std::uint32_t access) {
    close();
    HKEY key = nullptr;
    const std::string subkey(path);
    const LONG rc = RegOpenKeyExA(rootKey(hive), subkey.c_str(), 0, access, &key);
    if (rc == ERROR_SUCCESS) handle_ = key;
    return rc;
}

Status RegKey::create(Hive hive, std::string_view path, std::uint32_t access) {
    close();
    HKEY key = nullptr;
    const std::string subkey(path);
    const LONG rc = RegCreateKeyExA(rootKey(hive), subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    access, nullptr, &key, nullptr);
    if (rc == ERROR_SUCCESS) handle_ = key;
    return rc;
}

void RegKey::close() {
    if (handle_ != nullptr) RegCloseKey(asKey(std::exchange(handle_, nullptr)));
}

Status RegKey::queryValue(std::string_view name, RegValue& out) const {
    if (handle_ == nullptr) return ERROR_INVALID_HANDLE;
    const std::string valueName(name);
    // The value may grow between the size query and the read; ask again then.
    for (;;) {
        DWORD type = 0;
        DWORD size = 0;
        LONG rc = RegQueryValueExA(asKey(handle_), valueName.c_str(), nullptr, &type, nullptr, &size);
        if (rc != ERROR_SUCCESS) return rc;
        std::string data(size, '\0');
        rc = RegQueryValueExA(asKey(handle_), valueName.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(data.data()), &size);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) return rc;
        data.resize(size);
        out.type = type;
        out.data = std::move(data);
        return ERROR_SUCCESS;
    }
}

Status RegKey::setString(std::string_view name, std::string_view text) {
    if (handle_ == nullptr) return ERROR_INVALID_HANDLE;
    const std::string valueName(name);
    const std::string data(text);  // c_str() supplies the terminating NUL
    return RegSetValueExA(asKey(handle_), valueName.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.c_str()), static_cast<DWORD>(data.size() + 1));
}

Status RegKey::setDword(std::string_view name, std::uint32_t value) {
    if (handle_ == nullptr) return ERROR_INVALID_HANDLE;
    const std::string valueName(name);
    const DWORD data = value;
    return RegSetValueExA(asKey(handle_), valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof data);
}

Status RegKey::setBinary(std::string_view name, std::string_view bytes) {
    if (handle_ == nullptr) return ERROR_INVALID_HANDLE;
    const std::string valueName(name);
    return RegSetValueExA(asKey(handle_), valueName.c_str(), 0, REG_BINARY,
                          reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
}

Status RegKey::deleteValue(std::string_view name) {
    if (handle_ == nullptr) return ERROR_INVALID_HANDLE;
    const std::string valueName(name);
    return RegDeleteValueA(asKey(handle_), valueName.c_str());
}

Status RegKey::saveValue(std::string_view name, RegValue& saved) const {
    if (handle_ == nullptr) return ERROR_INVALID_HANDLE;
    const std::wstring valueName = wideName(name);
    for (;;) {
        DWORD type = 0;
        DWORD size = 0;
        LONG rc = RegQueryValueExW(asKey(handle_), valueName.c_str(), nullptr, &type, nullptr, &size);
        if (rc != ERROR_SUCCESS) return rc;
        std::string data(size, '\0');
        rc = RegQueryValueExW(asKey(handle_), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                              &size);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) return rc;
        data.resize(size);
        saved.type = type;
        saved.data = std::move(data);
        return ERROR_SUCCESS;
    }
}

Status RegKey::restoreValue(std::string_view name, const RegValue& saved) {
    if (handle_ == nullptr) return ERROR_INVALID_HANDLE;
    const std::wstring valueName = wideName(name);
    return RegSetValueExW(asKey(handle_), valueName.c_str(), 0, saved.type,
                          reinterpret_cast<const BYTE*>(saved.data.data()), static_cast<DWORD>(saved.data.size()));
}

Status RegKey::storedName(std::string& name) const {
    if (handle_ == nullptr) return ERROR_INVALID_HANDLE;
    static const auto queryKey = ntdllFunction<NtQueryKeyFunction>("NtQueryKey");
    static const auto toError = ntdllFunction<NtStatusToErrorFunction>("RtlNtStatusToDosError");
    if (queryKey == nullptr || toError == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
    std::string buffer(sizeof(KeyBasicInformation) + 256 * sizeof(WCHAR), '\0');
    for (;;) {
        ULONG needed = 0;
        const LONG status =
            queryKey(asKey(handle_), kKeyBasicInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if ((status == kStatusBufferOverflow || status == kStatusBufferTooSmall) && needed > buffer.size()) {
            buffer.resize(needed);
            continue;
        }
        if (status < 0) return static_cast<Status>(toError(status));
        KeyBasicInformation info{};
        std::memcpy(&info, buffer.data(), offsetof(KeyBasicInformation, name));
        const auto* wide = reinterpret_cast<const WCHAR*>(buffer.data() + offsetof(KeyBasicInformation, name));
        const int units = static_cast<int>(info.nameLength / sizeof(WCHAR));
        const int length = WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
        name.assign(static_cast<std::size_t>(length), '\0');
        WideCharToMultiByte(CP_ACP, 0, wide, units, name.data(), length, nullptr, nullptr);
        return ERROR_SUCCESS;
    }
}

Status RegKey::subkeyCount(std::uint32_t& count) const {
    if (handle_ == nullptr) return ERROR_INVALID_HANDLE;
    DWORD subkeys = 0;
    const LONG rc = RegQueryInfoKeyA(asKey(handle_), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_SUCCESS) count = subkeys;
    return rc;
}

Status RegKey::enumSubkey(std::uint32_t index, std::string& name) const {
    if (handle_ == nullptr) return ERROR_INVALID_HANDLE;
    // Key names are at most 255 characters; grow anyway if Windows says more.
    std::string buffer(256, '\0');
    for (;;) {
        DWORD length = static_cast<DWORD>(buffer.size());
        const LONG rc =
            RegEnumKeyExA(asKey(handle_), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (rc == ERROR_SUCCESS) name.assign(buffer.data(), length);
        return rc;
    }
}

Status deleteKey(Hive hive, std::string_view path) {
    const std::string subkey(path);
    return RegDeleteKeyA(rootKey(hive), subkey.c_str());
}

}  // namespace tw::platform
