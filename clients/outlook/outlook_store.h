// Where Outlook keeps its mail accounts, and the readings both Outlook writers
// share: the Outlook 2000 mail-support mode, the profile prompt, the default
// MAPI profile and the account store of a profile (Outlook 2002 and later).
// All of it lives under HKEY_CURRENT_USER. Reading opens keys for reading and
// never creates one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/outcome.h"
#include "platform/registry.h"

namespace tw {

inline constexpr std::string_view kOutlookProfilesKey =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles";
// The profile used when the default profile has no account store.
inline constexpr std::string_view kFallbackProfile = "Outlook";
// The subkey of a profile that holds its mail accounts (Outlook 2002 and later).
inline constexpr std::string_view kAccountStoreKeyName = "9375CFF0413111d3B88A00104B2A6676";
inline constexpr std::string_view kNextAccountIdValue = "NextAccountID";
// The store's account list: 4-byte little-endian account ids, the default first.
inline constexpr std::string_view kAccountListValue = "{ED475418-B0D6-11D2-8C3B-00104B2A6676}";
inline constexpr std::string_view kLastChangeVerValue = "LastChangeVer";
// Outlook 2000's Internet-mode account manager.
inline constexpr std::string_view kOmiManagerKey = "Software\\Microsoft\\Office\\Outlook\\OMI Account Manager";
inline constexpr std::string_view kOmiAccountsKey = "Software\\Microsoft\\Office\\Outlook\\OMI Account Manager\\Accounts";

// Outlook 2000's MailSupport: 1 is Corporate/Workgroup mode, anything else
// (a missing key or value included) Internet-only mode. A key or value that is
// there but cannot be read tells no mode: failure then gets the log line that
// says why (it stays empty otherwise).
int readMailSupport(std::string& failure);
inline constexpr int kCorporateWorkgroupMode = 1;

// True when Outlook asks for a profile at start (PickLogonProfile begins with
// "1"). failure as for readMailSupport.
bool readPickLogonProfile(std::string& failure);

struct DefaultProfile {
    platform::Status status = platform::kSuccess;  // of opening the Profiles key
    std::string name;                              // empty when the value is missing
};
DefaultProfile readDefaultProfile();

// True for a text that can name a registry key of its own: not empty and
// without "\", which would address another key.
bool isKeyName(std::string_view name);

// "...\Profiles\<profile>" and "...\Profiles\<profile>\9375CFF0...".
std::string profileKeyPath(std::string_view profile);
std::string accountStorePath(std::string_view profile);

struct AccountStore {
    ConfigOutcome outcome = OutcomeConfigured;  // 2 or 3 when no store opened
    std::string path;                           // the store that opened
    platform::Status status = platform::kSuccess;
};
// The account store of the profile, else of the fallback profile "Outlook".
// When neither opens: 3 (Outlook never run) for a missing key, else 2.
AccountStore openProfileAccountKey(std::string_view profile);

// Account ids name their subkeys as exactly 8 lowercase hexadecimal digits.
std::string accountIdName(std::uint32_t id);
// The id a subkey name stands for; nothing for a name that is not 8 hex digits.
std::optional<std::uint32_t> accountIdFromName(std::string_view name);

// The whole 4-byte entries of an account list (a trailing fragment names no
// account and is left out), and the bytes of a list.
std::vector<std::uint32_t> decodeAccountList(std::string_view bytes);
std::string encodeAccountList(const std::vector<std::uint32_t>& ids);

}  // namespace tw
