#include "clients/outlook/outlook_store.h"

#include <cstdio>
#include <optional>

#include "core/registry_account_write.h"

namespace tw {
namespace {

using platform::Hive;
using platform::RegKey;

constexpr std::string_view kMailSupportKey = "Software\\Microsoft\\Office\\9.0\\Outlook\\Setup";
constexpr std::string_view kExchangeOptionsKey = "Software\\Microsoft\\Exchange\\Client\\Options";

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

namespace {

// A value's bytes, or why it could not be read; a missing key or value is
// no failure, only nothing.
std::optional<std::string> readValueBytes(std::string_view keyPath, std::string_view name, std::string& failure) {
    failure.clear();
    RegKey key;
    platform::Status rc = key.open(Hive::CurrentUser, keyPath, platform::kKeyRead);
    platform::RegValue value;
    const char* call = "RegOpenKeyEx";
    if (rc == platform::kSuccess) {
        call = "RegQueryValueEx";
        rc = key.queryValue(name, value);
    }
    if (rc == platform::kSuccess) return value.data;
    if (rc != platform::kErrorFileNotFound) {
        failure = RegistryFailure{call, Hive::CurrentUser, std::string(keyPath),
                                  call == std::string_view("RegOpenKeyEx") ? std::nullopt
                                                                           : std::optional<std::string>(name),
                                  rc}
                      .describe();
    }
    return std::nullopt;
}

}  // namespace

int readMailSupport(std::string& failure) {
    const auto bytes = readValueBytes(kMailSupportKey, "MailSupport", failure);
    // Whatever its type, the first byte decides (a DWORD 256 is 0).
    if (!bytes || bytes->empty()) return 0;
    return static_cast<signed char>(bytes->front());
}

bool readPickLogonProfile(std::string& failure) {
    const auto bytes = readValueBytes(kExchangeOptionsKey, "PickLogonProfile", failure);
    return bytes && !bytes->empty() && bytes->front() == '1';
}

DefaultProfile readDefaultProfile() {
    DefaultProfile result;
    RegKey key;
    result.status = key.open(Hive::CurrentUser, kOutlookProfilesKey, platform::kKeyRead);
    if (result.status != platform::kSuccess) return result;
    platform::RegValue value;
    const platform::Status rc = key.queryValue("DefaultProfile", value);
    if (rc == platform::kSuccess) platform::valueText(value, result.name);
    // A value that is there but cannot be read names no profile: never guess
    // another one in its place.
    if (rc != platform::kSuccess && rc != platform::kErrorFileNotFound) result.status = rc;
    return result;
}

bool isKeyName(std::string_view name) { return !name.empty() && name.find('\\') == std::string_view::npos; }

std::string profileKeyPath(std::string_view profile) {
    std::string path(kOutlookProfilesKey);
    path += '\\';
    path += profile;
    return path;
}

std::string accountStorePath(std::string_view profile) {
    std::string path = profileKeyPath(profile);
    path += '\\';
    path += kAccountStoreKeyName;
    return path;
}

AccountStore openProfileAccountKey(std::string_view profile) {
    AccountStore store;
    RegKey key;
    // A default profile named by an empty text (or one with "\") can name no
    // key of its own: go to the fallback rather than build another key's path.
    if (isKeyName(profile)) {
        store.path = accountStorePath(profile);
        store.status = key.open(Hive::CurrentUser, store.path, platform::kKeyRead);
        if (store.status == platform::kSuccess) return store;
        // The default profile's store is there but cannot be read: another
        // profile's is no stand-in for it.
        if (store.status != platform::kErrorFileNotFound) {
            store.outcome = OutcomeRegistryUnavailable;
            return store;
        }
    }
    store.path = accountStorePath(kFallbackProfile);
    store.status = key.open(Hive::CurrentUser, store.path, platform::kKeyRead);
    if (store.status == platform::kSuccess) return store;
    store.outcome = store.status == platform::kErrorFileNotFound ? OutcomeClientNeverRun : OutcomeRegistryUnavailable;
    return store;
}

std::string accountIdName(std::uint32_t id) {
    char name[9] = {};
    std::snprintf(name, sizeof name, "%08lx", static_cast<unsigned long>(id));
    return name;
}

std::optional<std::uint32_t> accountIdFromName(std::string_view name) {
    if (name.size() != 8) return std::nullopt;
    std::uint32_t id = 0;
    for (char c : name) {
        const int digit = hexDigit(c);
        if (digit < 0) return std::nullopt;
        id = id << 4 | static_cast<std::uint32_t>(digit);
    }
    return id;
}

std::vector<std::uint32_t> decodeAccountList(std::string_view bytes) {
    std::vector<std::uint32_t> ids;
    for (std::size_t at = 0; at + 4 <= bytes.size(); at += 4) {
        std::uint32_t id = 0;
        for (int i = 3; i >= 0; --i) id = id << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
        ids.push_back(id);
    }
    return ids;
}

std::string encodeAccountList(const std::vector<std::uint32_t>& ids) {
    std::string bytes;
    bytes.reserve(ids.size() * 4);
    for (std::uint32_t id : ids) {
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>((id >> (8 * i)) & 0xFF);
    }
    return bytes;
}

}  // namespace tw
