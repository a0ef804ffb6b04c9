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

platform::Status setAccountValue(platform::RegKey& key, const AccountValue& value) {
    switch (value.type) {
    case platform::kRegSz: return key.setString(value.name, value.text);
    case platform::kRegDword: return key.setDword(value.name, value.number);
    default: return key.setBinary(value.name, value.text);
    }
}

bool writeAccountKey(const std::string& path, const std::vector<AccountValue>& values, bool keyIsNew,
                     SessionLog& log) {
    platform::RegKey key;
    platform::Status rc = keyIsNew ? key.create(platform::Hive::CurrentUser, path, platform::kKeyAllAccess)
                                   : key.open(platform::Hive::CurrentUser, path, platform::kKeyAllAccess);
    if (rc != platform::kSuccess) {
        logRegistryFailure(log, keyIsNew ? "RegCreateKeyEx" : "RegOpenKeyEx", path, {}, rc);
        return false;
    }
    for (const AccountValue& value : values) {
        rc = setAccountValue(key, value);
        if (rc != platform::kSuccess) {
            logRegistryFailure(log, "RegSetValueEx", path, value.name, rc);
            return false;
        }
    }
    return true;
}

void logRegistryFailure(SessionLog& log, std::string_view call, std::string_view key, std::string_view value,
                        platform::Status status) {
    log << call << " failed on HKEY_CURRENT_USER\\" << key;
    if (!value.empty()) log << ", value \"" << value << "\"";
    log << " (error " << status << ").";
    log.endLine();
}

}  // namespace tw
