#include "tests/support/outlook_fixture.h"

#include <cstdio>

namespace tw::test {

std::string utf16z(std::string_view ascii) {
    std::string bytes;
    for (char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    bytes.append(2, '\0');
    return bytes;
}

std::string hexBytes(std::string_view bytes) {
    std::string text;
    for (char c : bytes) {
        char pair[4] = {};
        std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned>(static_cast<unsigned char>(c)));
        if (!text.empty()) text += ' ';
        text += pair;
    }
    return text;
}

std::string idList(const std::vector<std::uint32_t>& ids) {
    std::string bytes;
    for (std::uint32_t id : ids) {
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>((id >> (8 * i)) & 0xFF);
    }
    return bytes;
}

std::string rawValue(const std::string& key, const std::string& name) {
    platform::RegKey k;
    if (k.open(platform::Hive::CurrentUser, key, platform::kKeyRead) != platform::kSuccess) return "missing key";
    platform::RegValue value;
    if (k.queryValue(name, value) != platform::kSuccess) return "missing";
    return std::to_string(value.type) + ":" + hexBytes(value.data);
}

std::string binaryHex(const std::string& key, const std::string& name) {
    const std::string raw = rawValue(key, name);
    if (raw.rfind("missing", 0) == 0) return raw;
    if (raw.rfind("3:", 0) != 0) return "not binary: " + raw;
    return raw.substr(2);
}

void seedProfileStore(const std::string& profile, std::uint32_t nextId, const std::vector<std::uint32_t>& list,
                      std::string_view lastChangeVer) {
    seedText(platform::Hive::CurrentUser, kProfiles, "DefaultProfile", profile);
    seedDword(platform::Hive::CurrentUser, storePath(profile), "NextAccountID", nextId);
    seedRaw(platform::Hive::CurrentUser, storePath(profile), kAccountList, platform::kRegBinary, idList(list));
    seedRaw(platform::Hive::CurrentUser, storePath(profile), "LastChangeVer", platform::kRegBinary, lastChangeVer);
}

void seedProfileAccount(const std::string& profile, const std::string& id, const std::string& email,
                        const std::string& display, const std::string& accountName) {
    const std::string key = profileAccount(profile, id);
    seedRaw(platform::Hive::CurrentUser, key, "Email", platform::kRegBinary, utf16z(email));
    seedRaw(platform::Hive::CurrentUser, key, "Display Name", platform::kRegBinary, utf16z(display));
    seedRaw(platform::Hive::CurrentUser, key, "Account Name", platform::kRegBinary, utf16z(accountName));
    seedDword(platform::Hive::CurrentUser, key, "IMAP Port", 110);
}

std::vector<std::string> subkeys(const std::string& key) {
    std::vector<std::string> names;
    platform::RegKey k;
    if (k.open(platform::Hive::CurrentUser, key, platform::kKeyRead) != platform::kSuccess) return names;
    std::string name;
    for (std::uint32_t i = 0; k.enumSubkey(i, name) == platform::kSuccess; ++i) names.push_back(name);
    return names;
}

}  // namespace tw::test
