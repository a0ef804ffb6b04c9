#include "clients/outlook/outlook_2000_writer.h"

#include <utility>
#include <vector>

#include "clients/outlook/account_values.h"
#include "clients/outlook/outlook_store.h"
#include "core/markers.h"
#include "core/provider.h"
#include "platform/registry.h"

namespace tw {
namespace {

using platform::Hive;
using platform::RegKey;

std::string accountKeyPath(std::string_view name) {
    std::string path(kOmiAccountsKey);
    path += '\\';
    path += name;
    return path;
}

// A value's text, or "*ERROR*" when it is missing or not text.
std::string readText(const RegKey& key, std::string_view valueName) {
    platform::RegValue value;
    std::string text;
    if (key.queryValue(valueName, value) != platform::kSuccess ||
        platform::valueText(value, text) != platform::kSuccess) {
        return std::string(kErrorMarker);
    }
    return text;
}

// Whether a key of that name exists. Windows compares key names ignoring case
// (beyond ASCII too), so only opening it by name can tell.
bool keyExists(const std::string& path) {
    RegKey key;
    return key.open(Hive::CurrentUser, path, platform::kKeyRead) == platform::kSuccess;
}

}  // namespace

Outlook2000Writer::Outlook2000Writer(std::string newAddress, std::string newDisplayName, bool newMakeDefault,
                                     bool newOverwriteExisting, bool newUseSsl, SessionLog& newLog)
    : useSsl(newUseSsl),
      address(std::move(newAddress)),
      displayName(std::move(newDisplayName)),
      makeDefault(newMakeDefault),
      overwriteExisting(newOverwriteExisting),
      log(&newLog) {}

void Outlook2000Writer::reset(std::string newAddress, std::string newDisplayName, bool newMakeDefault,
                              bool newOverwriteExisting, bool newUseSsl, SessionLog& newLog) {
    address = std::move(newAddress);
    displayName = std::move(newDisplayName);
    makeDefault = newMakeDefault;
    overwriteExisting = newOverwriteExisting;
    useSsl = newUseSsl;
    log = &newLog;
}

ConfigOutcome Outlook2000Writer::configure() {
    const bool corporate = readMailSupport() == kCorporateWorkgroupMode;
    if (corporate) {
        if (readPickLogonProfile()) return OutcomeNoDefaultProfile;
        const DefaultProfile profile = readDefaultProfile();
        if (profile.status != platform::kSuccess) return OutcomeRegistryUnavailable;
        profileName = profile.name;
        // The account is of no use to Outlook without a service in the default
        // profile: with no such profile, write nothing.
        if (!isKeyName(profileName) || !keyExists(profileKeyPath(profileName))) return OutcomeNoDefaultProfile;
    }
    *log << "Default Mail Profile is : " << profileName;
    log->endLine();
    log->lineBlank("Starting Outlook configuration...");

    *log << "Searching for existant " << address << " account ... ";
    Search search;
    if (!searchAccounts(search)) return OutcomeCannotConfigure;
    if (search.found && !overwriteExisting) {
        if (automaticMode) {
            log->line(" found. Quitting.");
            return OutcomeAutoAccountExists;
        }
        log->line(" found. No changes will be made.");
        return OutcomeAccountExists;
    }
    log->lineBlank(search.found ? " found. Reseting settings to defaults." : "not found. Creating new account.");

    const std::string accountName = automaticMode ? automaticPrefix + address : address;
    logSettings(accountName);
    if (!writeAccount(search.accountKeyName, !search.found, accountName)) return OutcomeCannotConfigure;
    if (makeDefault && !makeDefaultAccount(search.accountKeyName)) return OutcomeCannotConfigure;

    // In Corporate/Workgroup mode the account needs its mail service in the
    // profile. A new account always gets one; a rewritten account gets one when
    // the profile has none for it, so a rerun with -u completes an account
    // whose service could not be made before.
    if (corporate) {
        bool hasService = false;
        if (!profileHasMailService(accountName, hasService)) return OutcomeCannotConfigure;
        if (!hasService) {
            log->line("Outlook is in Corporate/Workgroup Mode. Creating MAPI Internet Mail Profile...");
            if (!createMapiMailService(accountName)) return OutcomeCannotConfigure;
        }
    }
    return OutcomeConfigured;
}

bool Outlook2000Writer::searchAccounts(Search& search) {
    const std::string newName = automaticMode ? automaticPrefix + address : address;
    search.accountKeyName = newName;
    RegKey accounts;
    const platform::Status rc = accounts.open(Hive::CurrentUser, kOmiAccountsKey, platform::kKeyRead);
    if (rc == platform::kErrorFileNotFound) return true;  // no accounts yet
    if (rc != platform::kSuccess) {
        log->endLine();
        logRegistryFailure(*log, "RegOpenKeyEx", kOmiAccountsKey, {}, rc);
        return false;
    }
    if (!automaticMode) {
        for (std::uint32_t index = 0;; ++index) {
            std::string name;
            const platform::Status enumerated = accounts.enumSubkey(index, name);
            if (enumerated == platform::kErrorNoMoreItems) break;
            if (enumerated != platform::kSuccess) {
                log->endLine();
                logRegistryFailure(*log, "RegEnumKeyEx", kOmiAccountsKey, {}, enumerated);
                return false;
            }
            RegKey account;
            if (account.open(Hive::CurrentUser, accountKeyPath(name), platform::kKeyRead) != platform::kSuccess) {
                continue;
            }
            const std::string stored = readText(account, "SMTP Email Address");
            if (stored != kErrorMarker && stored == address) {
                search.found = true;
                search.accountKeyName = name;
                return true;
            }
        }
    }
    // A key already bearing the new account's name is that account to Windows;
    // it counts as found rather than being written over.
    search.found = keyExists(accountKeyPath(newName));
    if (automaticMode) automaticAccountFound = search.found;
    return true;
}

void Outlook2000Writer::logSettings(const std::string& accountName) {
    const ProviderServers servers = providerServers(useSsl);
    const int secure = useSsl ? 1 : 0;
    SessionLog& out = *log;
    out.lineBlank("The following settings were written/overwritten in the system registry:");
    out << "Account Name: " << accountName;
    out.endLine();
    out.line("Connection Type: 3");
    out << "IMAP Port: " << servers.imapPort;
    out.endLine();
    out.line("IMAP Prompt for Password: 1");
    out << "IMAP Secure Connection: " << secure;
    out.endLine();
    out << "IMAP Server: " << servers.incomingHost;
    out.endLine();
    out.line("IMAP Timeout: 60");
    out << "IMAP User Name: " << address;
    out.endLine();
    out.line("IMAP Poll All Folders: 1");
    out.line("IMAP Polling: 1");
    out.line("IMAP Root Folder: INBOX.");
    out << "SMTP Display Name: " << displayName;
    out.endLine();
    out << "SMTP Email Address: " << address;
    out.endLine();
    out << "SMTP Port: " << servers.smtpPort;
    out.endLine();
    out.line("SMTP Prompt for Password: 1");
    out << "SMTP Secure Connection: " << secure;
    out.endLine();
    out << "SMTP Server: " << servers.outgoingHost;
    out.endLine();
    out.line("SMTP Split Messages: 0");
    out.line("SMTP Timeout: 60");
    out.line("SMTP Use Sicily: 2");
    out << "SMTP User Name: " << address;
    out.endLineBlank();
}

bool Outlook2000Writer::writeAccount(const std::string& accountKeyName, bool keyIsNew,
                                     const std::string& accountName) {
    const ProviderServers servers = providerServers(useSsl);
    const std::uint32_t secure = useSsl ? 1 : 0;
    const std::vector<AccountValue> values = {
        AccountValue::string("Account Name", accountName),
        AccountValue::dword("Connection Flags", 0),
        AccountValue::dword("Connection Type", 3),
        AccountValue::dword("IMAP Dirty", 0),
        AccountValue::dword("IMAP Poll All Folders", 1),
        AccountValue::dword("IMAP Polling", 1),
        AccountValue::dword("IMAP Port", static_cast<std::uint32_t>(servers.imapPort)),
        AccountValue::dword("IMAP Prompt for Password", 1),
        AccountValue::string("IMAP Root Folder", "INBOX."),
        AccountValue::dword("IMAP Secure Connection", secure),
        AccountValue::string("IMAP Server", std::string(servers.incomingHost)),
        AccountValue::dword("IMAP Timeout", 60),
        AccountValue::string("IMAP User Name", address),
        AccountValue::string("SMTP Display Name", displayName),
        AccountValue::string("SMTP Email Address", address),
        AccountValue::dword("SMTP Port", static_cast<std::uint32_t>(servers.smtpPort)),
        AccountValue::dword("SMTP Prompt for Password", 1),
        AccountValue::dword("SMTP Secure Connection", secure),
        AccountValue::string("SMTP Server", std::string(servers.outgoingHost)),
        AccountValue::dword("SMTP Split Messages", 0),
        AccountValue::dword("SMTP Timeout", 60),
        AccountValue::dword("SMTP Use Sicily", 2),
        AccountValue::string("SMTP User Name", address),
    };
    return writeAccountKey(accountKeyPath(accountKeyName), values, keyIsNew, *log);
}

bool Outlook2000Writer::makeDefaultAccount(const std::string& accountKeyName) {
    RegKey manager;
    platform::Status rc = manager.create(Hive::CurrentUser, kOmiManagerKey, platform::kKeyAllAccess);
    if (rc != platform::kSuccess) {
        logRegistryFailure(*log, "RegCreateKeyEx", kOmiManagerKey, {}, rc);
        return false;
    }
    // The account manager names its default account by the account's key. One
    // set replaces the old value, so a failure leaves the old default in place.
    rc = manager.setString("Default Mail Account", accountKeyName);
    if (rc != platform::kSuccess) {
        logRegistryFailure(*log, "RegSetValueEx", kOmiManagerKey, "Default Mail Account", rc);
        return false;
    }
    return true;
}

std::string Outlook2000Writer::defaultAccountName() {
    RegKey manager;
    if (manager.open(Hive::CurrentUser, kOmiManagerKey, platform::kKeyRead) != platform::kSuccess) {
        return std::string(kErrorMarker);
    }
    return readText(manager, "Default Mail Account");
}

std::string Outlook2000Writer::accountAddress(const std::string& accountName) {
    RegKey account;
    if (!isKeyName(accountName) ||
        account.open(Hive::CurrentUser, accountKeyPath(accountName), platform::kKeyRead) != platform::kSuccess) {
        return std::string(kErrorMarker);
    }
    return readText(account, "SMTP Email Address");
}

std::string Outlook2000Writer::accountDisplayName(const std::string& accountName) {
    RegKey account;
    if (!isKeyName(accountName) ||
        account.open(Hive::CurrentUser, accountKeyPath(accountName), platform::kKeyRead) != platform::kSuccess) {
        return std::string(kErrorMarker);
    }
    return readText(account, "SMTP Display Name");
}

std::string Outlook2000Writer::findAccountByAddress(const std::string& searchAddress) {
    RegKey accounts;
    const bool opened = accounts.open(Hive::CurrentUser, kOmiAccountsKey, platform::kKeyRead) == platform::kSuccess;
    // The writer's own address (still empty in the automatic flow); the line
    // is left open and the next output continues it.
    *log << "Searching for existant " << address << " account ... ";
    if (!opened) return std::string(kErrorMarker);
    std::string name;
    for (std::uint32_t index = 0; accounts.enumSubkey(index, name) == platform::kSuccess; ++index) {
        RegKey account;
        if (account.open(Hive::CurrentUser, accountKeyPath(name), platform::kKeyRead) != platform::kSuccess) continue;
        const std::string stored = readText(account, "SMTP Email Address");
        if (stored != kErrorMarker && stored.find(searchAddress) != std::string::npos) return name;
    }
    return std::string(kErrorMarker);
}

}  // namespace tw
