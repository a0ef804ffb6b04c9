// Seeding Outlook's stores and reading them back, for the Outlook tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "tests/support/test_env.h"

namespace tw::test {

inline const std::string kProfiles =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles";
inline const std::string kStoreKeyName = "9375CFF0413111d3B88A00104B2A6676";
inline const std::string kAccountList = "{ED475418-B0D6-11D2-8C3B-00104B2A6676}";
inline const std::string kOmiManager = "Software\\Microsoft\\Office\\Outlook\\OMI Account Manager";
inline const std::string kOmiAccounts = "Software\\Microsoft\\Office\\Outlook\\OMI Account Manager\\Accounts";
inline const std::string kMailSupportKey = "Software\\Microsoft\\Office\\9.0\\Outlook\\Setup";
inline const std::string kExchangeOptions = "Software\\Microsoft\\Exchange\\Client\\Options";

inline std::string storePath(const std::string& profile) { return kProfiles + "\\" + profile + "\\" + kStoreKeyName; }
inline std::string profileAccount(const std::string& profile, const std::string& id) {
    return storePath(profile) + "\\" + id;
}

// UTF-16LE with its terminating zero unit, for ASCII text (written out here
// byte by byte, independently of the code under test).
std::string utf16z(std::string_view ascii);
// Bytes as lowercase hex pairs separated by blanks: "01 00 00 00".
std::string hexBytes(std::string_view bytes);
// A 4-byte little-endian list of ids.
std::string idList(const std::vector<std::uint32_t>& ids);

// A value's type and bytes as "type:hex bytes", "missing" or "missing key".
std::string rawValue(const std::string& key, const std::string& name);
// A REG_BINARY value's bytes as hex, or "missing"/"missing key"/"not binary".
std::string binaryHex(const std::string& key, const std::string& name);

// A profile store as Outlook 2002 to 2010 leave it: DefaultProfile, the store
// key with NextAccountID, the account list and LastChangeVer.
void seedProfileStore(const std::string& profile, std::uint32_t nextId, const std::vector<std::uint32_t>& list,
                      std::string_view lastChangeVer = std::string_view("\x0b\0\0\0\0\0\0\0", 8));
// One account of a profile store, its texts in UTF-16 as Outlook writes them.
void seedProfileAccount(const std::string& profile, const std::string& id, const std::string& email,
                        const std::string& display = "Old", const std::string& accountName = "Old account");

// The subkey names of a key, in enumeration order.
std::vector<std::string> subkeys(const std::string& key);

}  // namespace tw::test
