#include "clients/outlook_express_winmail/outlook_express_writer.h"

#include "core/ascii.h"
#include "core/markers.h"
#include "core/provider.h"
#include "platform/registry.h"

namespace tw {
namespace {

using platform::Hive;
using platform::RegKey;

constexpr const char* kManagerKey = "Software\\Microsoft\\Internet Account Manager\\";
constexpr const char* kAccountsKey = "Software\\Microsoft\\Internet Account Manager\\Accounts\\";

std::string accountKeyPath(const std::string& name) { return kAccountsKey + name + "\\"; }

// A value's text, or "*ERROR*" when it is missing or not text.
std::string readText(const RegKey& key, const char* valueName) {
    platform::RegValue value;
    std::string text;
    if (key.queryValue(valueName, value) != platform::kSuccess ||
        platform::valueText(value, text) != platform::kSuccess) {
        return std::string(kErrorMarker);
    }
    return text;
}

}  // namespace

OutlookExpressWriter::OutlookExpressWriter(std::string newAddress, std::string newDisplayName, bool newMakeDefault,
                                           bool newOverwriteExisting, bool newUseSsl, SessionLog& newLog)
    : useSsl(newUseSsl),
      address(std::move(newAddress)),
      displayName(std::move(newDisplayName)),
      makeDefault(newMakeDefault),
      overwriteExisting(newOverwriteExisting),
      log(&newLog) {}

void OutlookExpressWriter::reset(std::string newAddress, std::string newDisplayName, bool newMakeDefault,
                                 bool newOverwriteExisting, bool newUseSsl, SessionLog& newLog) {
    address = std::move(newAddress);
    displayName = std::move(newDisplayName);
    makeDefault = newMakeDefault;
    overwriteExisting = newOverwriteExisting;
    useSsl = newUseSsl;
    log = &newLog;
}

bool OutlookExpressWriter::searchAccounts(Search& search) {
    RegKey accounts;
    if (accounts.open(Hive::CurrentUser, kAccountsKey, platform::kKeyAllAccess) != platform::kSuccess) return false;
    if (accounts.subkeyCount(search.subkeyCount) != platform::kSuccess) return false;

    *log << "Searching for existing " << address << " account ... ";
    log->endLine();

    const std::string automaticName = automaticPrefix + address;
    // The name a new account would get. An existing key of that name (Windows
    // ignores case in key names) is the same key, so it counts as found rather than being written over.
    const std::string newName = automaticMode ? automaticName : address;
    bool nameTaken = false;
    std::string takenName;
    for (std::uint32_t index = 0; index < search.subkeyCount; ++index) {
        std::string name;
        if (accounts.enumSubkey(index, name) != platform::kSuccess) continue;
        if (equalIgnoringCase(name, newName) && !nameTaken) {
            nameTaken = true;
            takenName = name;
        }
        if (automaticMode) continue;
        RegKey account;
        std::string stored;
        if (account.open(Hive::CurrentUser, accountKeyPath(name), platform::kKeyAllAccess) == platform::kSuccess) {
            stored = readText(account, "SMTP Email Address");
        }
        const bool hasAddress = stored != kErrorMarker && !stored.empty();
        *log << "\tFound address: '" << (hasAddress ? stored : std::string()) << "' at: " << accountKeyPath(name);
        log->endLine();
        if (hasAddress && stored == address) {
            search.found = true;
            search.accountKeyName = name;
            break;
        }
    }
    if (automaticMode) {
        automaticAccountFound = nameTaken;
        search.found = nameTaken;
        search.accountKeyName = nameTaken ? takenName : automaticName;
    } else if (!search.found) {
        search.found = nameTaken;
        search.accountKeyName = nameTaken ? takenName : address;
    }
    return true;
}

ConfigOutcome OutlookExpressWriter::configure() {
    log->lineBlank("Starting Outlook Express configuration...");

    Search search;
    if (!searchAccounts(search)) return OutcomeCannotConfigure;

    if (search.found && !overwriteExisting) {
        if (automaticMode) {
            log->line("...found. Quitting.");
            return OutcomeAutoAccountExists;
        }
        log->line("...found. No changes will be made.");
        return OutcomeAccountExists;
    }
    log->lineBlank(search.found ? "...found. Resetting settings to defaults." : "...not found. Creating new account.");

    const std::string accountName = automaticMode ? automaticPrefix + address : address;
    logSettings(accountName);
    const std::string keyPath = accountKeyPath(search.accountKeyName);
    *log << "Writing at RegKey: " << keyPath;
    log->endLine();
    writeAccount(keyPath, accountName);
    // The very first account always becomes the default.
    if (makeDefault || search.subkeyCount == 0) makeDefaultAccount(search.accountKeyName);
    return OutcomeConfigured;
}

void OutlookExpressWriter::logSettings(const std::string& accountName) {
    const ProviderServers servers = providerServers(useSsl);
    log->lineBlank("The following settings were written/overwritten in the system registry:");
    SessionLog& out = *log;
    out << "Account Name: " << accountName;
    out.endLine();
    out.line("Connection Type: 3");
    out << "IMAP Port: " << servers.imapPort;
    out.endLine();
    out.line("IMAP Prompt for Password: 1");
    out << "IMAP Server: " << servers.incomingHost;
    out.endLine();
    out.line("IMAP Timeout: 60");
    out << "IMAP User Name: " << address;
    out.endLine();
    out << "SMTP Display Name: " << displayName;
    out.endLine();
    out << "SMTP Email Address: " << address;
    out.endLine();
    out << "SMTP Port: " << servers.smtpPort;
    out.endLine();
    out.line("SMTP Prompt for Password: 1");
    out << "SMTP Secure Connection: " << (useSsl ? 1 : 0);
    out.endLine();
    out << "SMTP Server: " << servers.outgoingHost;
    out.endLine();
    out.line("SMTP Split Messages: 0");
    out.line("SMTP Timeout: 60");
    out.line("SMTP Use Sicily: 2");
    out << "SMTP User Name: " << address;
    out.endLineBlank();
}

void OutlookExpressWriter::writeAccount(const std::string& keyPath, const std::string& accountName) {
    const ProviderServers servers = providerServers(useSsl);
    const std::uint32_t secure = useSsl ? 1 : 0;
    RegKey key;
    if (key.create(Hive::CurrentUser, keyPath, platform::kKeyAllAccess) != platform::kSuccess) return;
    key.setString("Account Name", accountName);
    key.setDword("Connection Type", 3);
    key.setDword("IMAP Dirty", 0);
    key.setDword("IMAP Poll All Folders", 1);
    key.setDword("IMAP Polling", 1);
    key.setDword("IMAP Port", static_cast<std::uint32_t>(servers.imapPort));
    key.setDword("IMAP Prompt for Password", 1);
    key.setString("IMAP Root Folder", "INBOX.");
    key.setDword("IMAP Secure Connection", secure);
    key.setString("IMAP Server", servers.incomingHost);
    key.setDword("IMAP Timeout", 60);
    key.setString("IMAP User Name", address);
    key.setString("SMTP Display Name", displayName);
    key.setString("SMTP Email Address", address);
    key.setDword("SMTP Port", static_cast<std::uint32_t>(servers.smtpPort));
    key.setDword("SMTP Prompt for Password", 1);
    key.setDword("SMTP Secure Connection", secure);
    key.setString("SMTP Server", servers.outgoingHost);
    key.setDword("SMTP Split Messages", 0);
    key.setDword("SMTP Timeout", 60);
    key.setDword("SMTP Use Sicily", 2);
    key.setString("SMTP User Name", address);
}

void OutlookExpressWriter::makeDefaultAccount(const std::string& accountKeyName) {
    RegKey manager;
    if (manager.create(Hive::CurrentUser, kManagerKey, platform::kKeyAllAccess) != platform::kSuccess) return;
    manager.deleteValue("Default Mail Account");
    // Outlook Express names its default account by the account's key.
    manager.setString("Default Mail Account", accountKeyName);
}

std::string OutlookExpressWriter::defaultAccountName() {
    RegKey manager;
    const platform::Status rc = manager.open(Hive::CurrentUser, kManagerKey, platform::kKeyRead);
    *log << "GetDefAcct Test Result: " << rc;
    log->endLine();
    if (rc != platform::kSuccess) return std::string(kErrorMarker);
    const std::string name = readText(manager, "Default Mail Account");
    *log << "Result: " << name;
    log->endLine();
    return name;
}

std::string OutlookExpressWriter::accountAddress(const std::string& accountName) {
    RegKey account;
    const platform::Status rc = account.open(Hive::CurrentUser, accountKeyPath(accountName), platform::kKeyRead);
    *log << "GetAcctAddr Test Result: " << rc;
    log->endLine();
    if (rc != platform::kSuccess) return std::string(kErrorMarker);
    const std::string value = readText(account, "SMTP Email Address");
    *log << "Result: " << value;
    log->endLine();
    return value;
}

std::string OutlookExpressWriter::accountDisplayName(const std::string& accountName) {
    RegKey account;
    if (account.open(Hive::CurrentUser, accountKeyPath(accountName), platform::kKeyRead) != platform::kSuccess) {
        return std::string(kErrorMarker);
    }
    return readText(account, "SMTP Display Name");
}

std::string OutlookExpressWriter::findAccountByAddress(const std::string& searchAddress) {
    RegKey accounts;
    std::uint32_t count = 0;
    if (accounts.create(Hive::CurrentUser, kAccountsKey, platform::kKeyAllAccess) == platform::kSuccess) {
        accounts.subkeyCount(count);
    }
    *log << "Searching for existant " << address << " account ... ";
    for (std::uint32_t index = 0; index < count; ++index) {
        std::string name;
        if (accounts.enumSubkey(index, name) != platform::kSuccess) continue;
        RegKey account;
        if (account.open(Hive::CurrentUser, accountKeyPath(name), platform::kKeyAllAccess) != platform::kSuccess) {
            continue;
        }
        const std::string stored = readText(account, "SMTP Email Address");
        if (stored != kErrorMarker && stored.find(searchAddress) != std::string::npos) return name;
    }
    return std::string(kErrorMarker);
}

}  // namespace tw
