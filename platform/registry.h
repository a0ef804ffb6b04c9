// Registry access: a thin RAII owner over an open key, ANSI names and data.
// Results are Win32 error codes (0 success, 2 missing key or value, ...);
// the fake backend returns the same codes for the same situations.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tw::platform {

using Status = long;

inline constexpr Status kSuccess = 0;
inline constexpr Status kErrorFileNotFound = 2;
inline constexpr Status kErrorPathNotFound = 3;  // a folder on the way is missing
inline constexpr Status kErrorAccessDenied = 5;
inline constexpr Status kErrorInvalidHandle = 6;
inline constexpr Status kErrorInvalidParameter = 87;
inline constexpr Status kErrorBadPathname = 161;  // a key path that begins with a backslash
inline constexpr Status kErrorMoreData = 234;
inline constexpr Status kErrorNoMoreItems = 259;
inline constexpr Status kErrorKeyDeleted = 1018;   // the open key has been deleted since

enum class Hive { ClassesRoot, CurrentUser, LocalMachine };

// Access masks, with the values Windows gives them.
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;
// Registry views, added to an access mask (KEY_WOW64_64KEY, KEY_WOW64_32KEY).
// 64-bit Windows keeps HKEY_LOCAL_MACHINE\SOFTWARE twice: once for 64-bit
// programs and once, as SOFTWARE\Wow6432Node, for 32-bit ones. A process sees
// its own view unless it names one. 32-bit Windows has a single registry and,
// from XP on, ignores both flags (only Windows 2000 refused them).
inline constexpr std::uint32_t kKeyView64 = 0x0100;
inline constexpr std::uint32_t kKeyView32 = 0x0200;

// Value types, with the values Windows gives them.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

struct RegValue {
    std::uint32_t type = kRegNone;
    std::string data;  // every byte the value holds
};

class RegKey {
public:
    RegKey() = default;
    ~RegKey();
    RegKey(RegKey&& other) noexcept;
    RegKey& operator=(RegKey&& other) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    Status open(Hive hive, std::string_view path, std::uint32_t access);
    // Opens the key, creating it and any missing parents (non-volatile).
    Status create(Hive hive, std::string_view path, std::uint32_t access);
    void close();
    bool valid() const { return handle_ != nullptr; }

    // An empty name means the key's default (unnamed) value.
    Status queryValue(std::string_view name, RegValue& out) const;
    // REG_SZ data is written with its terminating NUL counted.
    Status setString(std::string_view name, std::string_view text);
    Status setDword(std::string_view name, std::uint32_t value);
    Status setBinary(std::string_view name, std::string_view bytes);
    Status deleteValue(std::string_view name);

    // A value exactly as the registry keeps it (on Windows, text in UTF-16), to
    // put back unchanged with restoreValue; not for reading what it says.
    Status saveValue(std::string_view name, RegValue& saved) const;
    Status restoreValue(std::string_view name, const RegValue& saved);

    // The key's own name as stored: names compare without regard to case, so a
    // key opened by another spelling still has the spelling it was created with.
    Status storedName(std::string& name) const;

    Status subkeyCount(std::uint32_t& count) const;
    // Name of the subkey at index, whatever its length; kErrorNoMoreItems past the end.
    Status enumSubkey(std::uint32_t index, std::string& name) const;

private:
    void* handle_ = nullptr;
};

// Deletes a key that has no subkeys; its values go with it. A key with subkeys
// answers kErrorAccessDenied and stays, a missing one kErrorFileNotFound.
Status deleteKey(Hive hive, std::string_view path);

// Text of a REG_SZ or REG_EXPAND_SZ value, up to its first NUL (or all of it when
// it has none). Any other type reads as kErrorInvalidParameter.
Status valueText(const RegValue& value, std::string& text);
// A REG_DWORD of exactly four bytes; anything else is kErrorInvalidParameter.
Status valueDword(const RegValue& value, std::uint32_t& number);

}  // namespace tw::platform
