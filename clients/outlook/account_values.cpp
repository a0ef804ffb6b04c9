#include "clients/outlook/account_values.h"

#include <utility>

namespace tw {

AccountValue AccountValue::string(std::string name, std::string text) {
    return AccountValue{std::move(name), platform::kRegSz, std::move(text), 0};
}

AccountValue AccountValue::dword(std::string name, std::uint32_t number) {
    return AccountValue{std::move(name), platform::kRegDword, {}, number};
}

AccountValue AccountValue::binary(std::string name, std::string bytes) {
    return AccountValue{std::move(name), platform::kRegBinary, std::move(bytes), 0};
}

bool writeAccountValues(RegistryAccountWrite& write, RegistryAccountWrite::KeyId key,
                        const std::vector<AccountValue>& values) {
    for (const AccountValue& value : values) {
        bool written = false;
        switch (value.type) {
        case platform::kRegSz: written = write.setString(key, value.name, value.text); break;
        case platform::kRegDword: written = write.setDword(key, value.name, value.number); break;
        default: written = write.setBinary(key, value.name, value.text); break;
        }
        if (!written) return false;
    }
    return true;
}

}  // namespace tw
