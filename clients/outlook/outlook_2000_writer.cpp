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
    // The account and the default change together or not at all.
    RegistryAccountWrite write(platform::Hive::CurrentUser);
    if (!writeAccount(write, search.accountKeyName, accountName) ||
        (makeDefault && !makeDefaultAccount(write, search.accountKeyName))) {
        reportFailureAndUndo(write, *log);
        return OutcomeCannotConfigure;
    }
    write.commit();

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
    platform::Status rc = accounts.open(Hive::CurrentUser, kOmiAccountsKey, platform::kKeyRead);
    if (rc == platform::kErrorFileNotFound) return true;  // no accounts yet
    if (!checked(rc, "RegOpenKeyEx", std::string(kOmiAccountsKey))) return false;

    // The automatic mode looks for its prefixed key name only.
    for (std::uint32_t index = 0; !automaticMode; ++index) {
        std::string name;
        rc = accounts.enumSubkey(index, name);
        if (rc == platform::kErrorNoMoreItems) break;
        // A subkey that cannot be listed may be the account: do not guess.
        if (!checked(rc, "RegEnumKeyEx", std::string(kOmiAccountsKey))) return false;
        RegKey account;
        if (account.open(Hive::CurrentUser, accountKeyPath(name), platform::kKeyRead) != platform::kSuccess) continue;
        const std::string stored = readText(account, "SMTP Email Address");
        if (stored != kErrorMarker && stored == address) {
            search.found = true;
            search.accountKeyName = name;
            return true;
        }
    }

    // A key already bearing the new account's name (Windows compares key
    // names ignoring case, accented letters too) is that account: it counts as
    // found rather than being written over. Only opening it by name can tell.
    RegKey existing;
    rc = existing.open(Hive::CurrentUser, accountKeyPath(newName), platform::kKeyRead);
    if (rc != platform::kErrorFileNotFound && !checked(rc, "RegOpenKeyEx", accountKeyPath(newName))) return false;
    search.found = rc == platform::kSuccess;
    if (automaticMode) automaticAccountFound = search.found;
    // The default account is named by the key as it is spelled.
    if (search.found && existing.storedName(search.accountKeyName) != platform::kSuccess) {
        search.accountKeyName = newName;
    }
    return true;
}

bool Outlook2000Writer::checked(platform::Status rc, const char* call, const std::string& key) {
    if (rc == platform::kSuccess) return true;
    // The search line is still open.
    log->endLine();
    log->line(RegistryFailure{call, Hive::CurrentUser, key, std::nullopt, rc}.describe());
    return false;
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

bool Outlook2000Writer::writeAccount(RegistryAccountWrite& write, const std::string& accountKeyName,
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
    const auto key = write.openKey(accountKeyPath(accountKeyName));
    return key && writeAccountValues(write, *key, values);
}

bool Outlook2000Writer::makeDefaultAccount(RegistryAccountWrite& write, const std::string& accountKeyName) {
    // The account manager names its default account by the account's key. One
    // set replaces the old value, which the write gives back on failure.
    const auto manager = write.openKey(kOmiManagerKey);
    return manager && write.setString(*manager, "Default Mail Account", accountKeyName);
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
