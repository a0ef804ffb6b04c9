// The values of one account key, written in their order through a
// RegistryAccountWrite: every call checked, and the whole write undone by the
// caller when one fails.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/registry_account_write.h"
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

// Writes the values into the key in order; false at the first that fails
// (the write holds which).
bool writeAccountValues(RegistryAccountWrite& write, RegistryAccountWrite::KeyId key,
                        const std::vector<AccountValue>& values);

}  // namespace tw
