// The values of one account key, written in order with every call checked.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/session_log.h"
#include "platform/registry.h"

namespace tw {

struct AccountValue {
    std::string name;
    std::uint32_t type = platform::kRegNone;  // REG_SZ, REG_DWORD or REG_BINARY
    std::string text;                         // REG_SZ text (stored with its NUL) or REG_BINARY bytes
    std::uint32_t number = 0;                 // REG_DWORD

    static AccountValue string(std::string name, std::string text);
    static AccountValue dword(std::string name, std::uint32_t number);
    static AccountValue binary(std::string name, std::string bytes);
};

platform::Status setAccountValue(platform::RegKey& key, const AccountValue& value);

// Writes the values into the key at path (HKEY_CURRENT_USER), creating it when
// keyIsNew. On any failure the key is left as it was: a new key does not stay
// behind half-written, an existing one gets its old values back. The failure
// is logged (the call, the key, the Windows error) and the result is false.
bool writeAccountKey(const std::string& path, const std::vector<AccountValue>& values, bool keyIsNew,
                     SessionLog& log);

// "<call> failed on HKEY_CURRENT_USER\<key> (error <n>)." or, for a value,
// "<call> failed on HKEY_CURRENT_USER\<key>, value "<name>" (error <n>)."
void logRegistryFailure(SessionLog& log, std::string_view call, std::string_view key, std::string_view value,
                        platform::Status status);

}  // namespace tw
