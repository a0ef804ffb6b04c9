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
    std::string failure;
    const bool corporate = readMailSupport(failure) == kCorporateWorkgroupMode;
    if (!failure.empty()) {
        // Which store the account needs depends on the mode: no guess.
        log->line(failure);
        return OutcomeCannotConfigure;
    }
    if (corporate) {
        const bool pickProfile = readPickLogonProfile(failure);
        if (!failure.empty()) {
            log->line(failure);
            return OutcomeCannotConfigure;
        }
        if (pickProfile) return OutcomeNoDefaultProfile;
        const DefaultProfile profile = readDefaultProfile();
        if (profile.status != platform::kSuccess) {
            if (profile.status != platform::kErrorFileNotFound) {
                log->line(RegistryFailure{"RegOpenKeyEx", Hive::CurrentUser, std::string(kOutlookProfilesKey),
                                          std::nullopt, profile.status}
                              .describe());
            }
            return OutcomeRegistryUnavailable;
        }
        profileName = profile.name;
        // The account is of no use to Outlook without a service in the default
        // profile: with no such profile, write nothing.
        if (!isKeyName(profileName)) return OutcomeNoDefaultProfile;
        RegKey profileKey;
        const platform::Status rc = profileKey.open(Hive::CurrentUser, profileKeyPath(profileName), platform::kKeyRead);
        if (rc == platform::kErrorFileNotFound) return OutcomeNoDefaultProfile;
        if (rc != platform::kSuccess) {
            log->line(RegistryFailure{"RegOpenKeyEx", Hive::CurrentUser, profileKeyPath(profileName), std::nullopt, rc}
                          .describe());
            return OutcomeRegistryUnavailable;
        }
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
    // In Corporate/Workgroup mode the account needs its mail service in the
    // profile, and is of no use without: the service is made last, and when it
    // cannot be the account goes again. A new account always gets one; a
    // rewritten account gets one when the profile has none for it.
    if (corporate) {
        bool hasService = false;
        bool made = profileHasMailService(accountName, hasService);
        if (made && !hasService) {
            log->line("Outlook is in Corporate/Workgroup Mode. Creating MAPI Internet Mail Profile...");
            made = createMapiMailService(accountName);
        }
        if (!made) {
            reportFailureAndUndo(write, *log);
            return OutcomeCannotConfigure;
        }
    }
    write.commit();
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
        // An account whose address cannot be read may be this address's: a
        // new one beside it would be a second account for the address.
        RegKey account;
        rc = account.open(Hive::CurrentUser, accountKeyPath(name), platform::kKeyRead);
        if (rc == platform::kErrorFileNotFound) continue;  // deleted meanwhile
        if (!checked(rc, "RegOpenKeyEx", accountKeyPath(name))) return false;
        platform::RegValue value;
        rc = account.queryValue("SMTP Email Address", value);
        if (rc != platform::kErrorFileNotFound && !checked(rc, "RegQueryValueEx", accountKeyPath(name))) return false;
        std::string stored;
        if (rc == platform::kSuccess && platform::valueText(value, stored) == platform::kSuccess && stored == address) {
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

bool Outlook2000Writer::reportReadFailure(platform::Status rc, const char* call, const std::string& key,
                                          std::optional<std::string> value) {
    if (rc == platform::kSuccess || rc == platform::kErrorFileNotFound) return false;
    readFailed_ = true;
    log->line(RegistryFailure{call, Hive::CurrentUser, key, std::move(value), rc}.describe());
    return true;
}

std::string Outlook2000Writer::readAccountText(const std::string& keyPath, std::string_view valueName) {
    RegKey key;
    platform::Status rc = key.open(Hive::CurrentUser, keyPath, platform::kKeyRead);
    if (reportReadFailure(rc, "RegOpenKeyEx", keyPath) || rc != platform::kSuccess) return std::string(kErrorMarker);
    platform::RegValue value;
    rc = key.queryValue(valueName, value);
    if (reportReadFailure(rc, "RegQueryValueEx", keyPath, std::string(valueName))) return std::string(kErrorMarker);
    std::string text;
    if (rc != platform::kSuccess || platform::valueText(value, text) != platform::kSuccess) {
        return std::string(kErrorMarker);
    }
    return text;
}

std::string Outlook2000Writer::defaultAccountName() {
    return readAccountText(std::string(kOmiManagerKey), "Default Mail Account");
}

std::string Outlook2000Writer::accountAddress(const std::string& accountName) {
    if (!isKeyName(accountName)) return std::string(kErrorMarker);
    return readAccountText(accountKeyPath(accountName), "SMTP Email Address");
}

std::string Outlook2000Writer::accountDisplayName(const std::string& accountName) {
    if (!isKeyName(accountName)) return std::string(kErrorMarker);
    return readAccountText(accountKeyPath(accountName), "SMTP Display Name");
}

std::string Outlook2000Writer::findAccountByAddress(const std::string& searchAddress) {
    RegKey accounts;
    const platform::Status opened = accounts.open(Hive::CurrentUser, kOmiAccountsKey, platform::kKeyRead);
    // The writer's own address (still empty in the automatic flow); the line
    // is left open and the next output continues it.
    *log << "Searching for existant " << address << " account ... ";
    if (opened != platform::kSuccess) {
        if (opened != platform::kErrorFileNotFound) log->endLine();
        reportReadFailure(opened, "RegOpenKeyEx", std::string(kOmiAccountsKey));
        return std::string(kErrorMarker);
    }
    // The first account that holds the text is the one: an account that
    // cannot be read ends the search rather than let a later one win.
    std::string name;
    for (std::uint32_t index = 0;; ++index) {
        platform::Status rc = accounts.enumSubkey(index, name);
        if (rc == platform::kErrorNoMoreItems) break;
        if (rc != platform::kSuccess) {
            log->endLine();
            reportReadFailure(rc, "RegEnumKeyEx", std::string(kOmiAccountsKey));
            break;
        }
        RegKey account;
        const char* call = "RegOpenKeyEx";
        rc = account.open(Hive::CurrentUser, accountKeyPath(name), platform::kKeyRead);
        if (rc == platform::kErrorFileNotFound) continue;
        platform::RegValue value;
        if (rc == platform::kSuccess) {
            call = "RegQueryValueEx";
            rc = account.queryValue("SMTP Email Address", value);
            if (rc == platform::kErrorFileNotFound) continue;
        }
        if (rc != platform::kSuccess) {
            log->endLine();
            reportReadFailure(rc, call, accountKeyPath(name));
            break;
        }
        std::string stored;
        if (platform::valueText(value, stored) == platform::kSuccess && stored.find(searchAddress) != std::string::npos) {
            return name;
        }
    }
    return std::string(kErrorMarker);
}

}  // namespace tw
