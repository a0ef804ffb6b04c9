#include "clients/outlook_express_winmail/outlook_express_writer.h"

#include "core/markers.h"
#include "core/provider.h"
#include "core/registry_account_write.h"
#include "platform/registry.h"

namespace tw {
namespace {

using platform::Hive;
using platform::RegKey;

constexpr const char* kManagerKey = "Software\\Microsoft\\Internet Account Manager\\";
constexpr const char* kAccountsKey = "Software\\Microsoft\\Internet Account Manager\\Accounts\\";

std::string accountKeyPath(const std::string& name) { return kAccountsKey + name + "\\"; }

bool isMissing(platform::Status rc) { return rc == platform::kErrorFileNotFound; }

// A value's text, or "*ERROR*" when it is missing or not text. A value that
// is there but cannot be read is reported: failure gets the call that failed.
std::string readText(const RegKey& key, const char* valueName, const std::string& keyPath,
                     std::optional<RegistryFailure>& failure) {
    platform::RegValue value;
    std::string text;
    const platform::Status rc = key.queryValue(valueName, value);
    if (rc != platform::kSuccess) {
        if (!isMissing(rc)) failure = RegistryFailure{"RegQueryValueEx", Hive::CurrentUser, keyPath, valueName, rc};
        return std::string(kErrorMarker);
    }
    if (platform::valueText(value, text) != platform::kSuccess) return std::string(kErrorMarker);
    return text;
}

// Opens a key for reading; a key that is there but cannot be opened is reported.
bool openForReading(RegKey& key, const std::string& keyPath, std::optional<RegistryFailure>& failure,
                    platform::Status* result = nullptr) {
    const platform::Status rc = key.open(Hive::CurrentUser, keyPath, platform::kKeyRead);
    if (result != nullptr) *result = rc;
    if (rc != platform::kSuccess && !isMissing(rc)) {
        failure = RegistryFailure{"RegOpenKeyEx", Hive::CurrentUser, keyPath, std::nullopt, rc};
    }
    return rc == platform::kSuccess;
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
    if (!checked(accounts.open(Hive::CurrentUser, kAccountsKey, platform::kKeyAllAccess), "RegOpenKeyEx",
                 kAccountsKey) ||
        !checked(accounts.subkeyCount(search.subkeyCount), "RegQueryInfoKey", kAccountsKey)) {
        return false;
    }

    *log << "Searching for existing " << address << " account ... ";
    log->endLine();

    // The automatic mode looks for its prefixed key name only.
    for (std::uint32_t index = 0; !automaticMode && index < search.subkeyCount; ++index) {
        std::string name;
        const platform::Status rc = accounts.enumSubkey(index, name);
        if (rc == platform::kErrorNoMoreItems) break;  // accounts deleted meanwhile
        // A subkey that cannot be listed may be the account: do not guess.
        if (!checked(rc, "RegEnumKeyEx", kAccountsKey)) return false;
        // An account whose address cannot be read may be this address's
        // account: a new one beside it would be a second account for it.
        RegKey account;
        std::string stored;
        std::optional<RegistryFailure> failure;
        if (openForReading(account, accountKeyPath(name), failure)) {
            stored = readText(account, "SMTP Email Address", accountKeyPath(name), failure);
        }
        if (failure) {
            log->line(failure->describe());
            return false;
        }
        const bool hasAddress = stored != kErrorMarker && !stored.empty();
        *log << "\tFound address: '" << (hasAddress ? stored : std::string()) << "' at: " << accountKeyPath(name);
        log->endLine();
        if (hasAddress && stored == address) {
            search.found = true;
            search.accountKeyName = name;
            return true;
        }
    }

    // The key a new account would get may exist already, as another account's
    // or under another spelling (Windows compares key names without regard to
    // case, É and é included). The registry alone decides: open it by name.
    const std::string newName = automaticMode ? automaticPrefix + address : address;
    RegKey existing;
    const platform::Status rc = existing.open(Hive::CurrentUser, accountKeyPath(newName), platform::kKeyRead);
    if (rc != platform::kErrorFileNotFound && !checked(rc, "RegOpenKeyEx", accountKeyPath(newName))) return false;
    search.found = rc == platform::kSuccess;
    automaticAccountFound = automaticMode && search.found;
    // The default account is named by the key as Outlook Express spelled it.
    if (!search.found || existing.storedName(search.accountKeyName) != platform::kSuccess) {
        search.accountKeyName = newName;
    }
    return true;
}

bool OutlookExpressWriter::checked(platform::Status rc, const char* call, const std::string& key) {
    if (rc == platform::kSuccess) return true;
    log->line(RegistryFailure{call, Hive::CurrentUser, key, std::nullopt, rc}.describe());
    return false;
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
    // The account and the default change together or not at all: a failure
    // halfway takes back what was written, the default included.
    RegistryAccountWrite write(Hive::CurrentUser);
    // The very first account always becomes the default.
    const bool becomesDefault = makeDefault || search.subkeyCount == 0;
    if (!writeAccount(write, keyPath, accountName) ||
        (becomesDefault && !makeDefaultAccount(write, search.accountKeyName))) {
        reportFailureAndUndo(write, *log);
        return OutcomeCannotConfigure;
    }
    write.commit();
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

bool OutlookExpressWriter::writeAccount(RegistryAccountWrite& write, const std::string& keyPath,
                                        const std::string& accountName) {
    const ProviderServers servers = providerServers(useSsl);
    const std::uint32_t secure = useSsl ? 1 : 0;
    const auto key = write.openKey(keyPath);
    if (!key) return false;
    // Each call stops at the first failure; write.failed() tells.
    write.setString(*key, "Account Name", accountName);
    write.setDword(*key, "Connection Type", 3);
    write.setDword(*key, "IMAP Dirty", 0);
    write.setDword(*key, "IMAP Poll All Folders", 1);
    write.setDword(*key, "IMAP Polling", 1);
    write.setDword(*key, "IMAP Port", static_cast<std::uint32_t>(servers.imapPort));
    write.setDword(*key, "IMAP Prompt for Password", 1);
    write.setString(*key, "IMAP Root Folder", "INBOX.");
    write.setDword(*key, "IMAP Secure Connection", secure);
    write.setString(*key, "IMAP Server", servers.incomingHost);
    write.setDword(*key, "IMAP Timeout", 60);
    write.setString(*key, "IMAP User Name", address);
    write.setString(*key, "SMTP Display Name", displayName);
    write.setString(*key, "SMTP Email Address", address);
    write.setDword(*key, "SMTP Port", static_cast<std::uint32_t>(servers.smtpPort));
    write.setDword(*key, "SMTP Prompt for Password", 1);
    write.setDword(*key, "SMTP Secure Connection", secure);
    write.setString(*key, "SMTP Server", servers.outgoingHost);
    write.setDword(*key, "SMTP Split Messages", 0);
    write.setDword(*key, "SMTP Timeout", 60);
    write.setDword(*key, "SMTP Use Sicily", 2);
    write.setString(*key, "SMTP User Name", address);
    return !write.failed();
}

bool OutlookExpressWriter::makeDefaultAccount(RegistryAccountWrite& write, const std::string& accountKeyName) {
    const auto manager = write.openKey(kManagerKey);
    if (!manager) return false;
    write.deleteValue(*manager, "Default Mail Account");
    // Outlook Express names its default account by the account's key.
    write.setString(*manager, "Default Mail Account", accountKeyName);
    return !write.failed();
}

void OutlookExpressWriter::reportReadFailure(const std::optional<RegistryFailure>& failure) {
    if (!failure) return;
    readFailed_ = true;
    log->line(failure->describe());
}

std::string OutlookExpressWriter::defaultAccountName() {
    RegKey manager;
    std::optional<RegistryFailure> failure;
    platform::Status rc = platform::kSuccess;
    openForReading(manager, kManagerKey, failure, &rc);
    *log << "GetDefAcct Test Result: " << rc;
    log->endLine();
    if (rc != platform::kSuccess) {
        reportReadFailure(failure);
        return std::string(kErrorMarker);
    }
    const std::string name = readText(manager, "Default Mail Account", kManagerKey, failure);
    reportReadFailure(failure);
    *log << "Result: " << name;
    log->endLine();
    return name;
}

std::string OutlookExpressWriter::accountAddress(const std::string& accountName) {
    RegKey account;
    std::optional<RegistryFailure> failure;
    platform::Status rc = platform::kSuccess;
    openForReading(account, accountKeyPath(accountName), failure, &rc);
    *log << "GetAcctAddr Test Result: " << rc;
    log->endLine();
    if (rc != platform::kSuccess) {
        reportReadFailure(failure);
        return std::string(kErrorMarker);
    }
    const std::string value = readText(account, "SMTP Email Address", accountKeyPath(accountName), failure);
    reportReadFailure(failure);
    *log << "Result: " << value;
    log->endLine();
    return value;
}

std::string OutlookExpressWriter::accountDisplayName(const std::string& accountName) {
    RegKey account;
    std::optional<RegistryFailure> failure;
    std::string name = std::string(kErrorMarker);
    if (openForReading(account, accountKeyPath(accountName), failure)) {
        name = readText(account, "SMTP Display Name", accountKeyPath(accountName), failure);
    }
    reportReadFailure(failure);
    return name;
}

std::string OutlookExpressWriter::findAccountByAddress(const std::string& searchAddress) {
    // Reading never creates: without an accounts key there is nothing to find.
    RegKey accounts;
    std::uint32_t count = 0;
    std::optional<RegistryFailure> failure;
    if (openForReading(accounts, kAccountsKey, failure)) {
        if (const platform::Status rc = accounts.subkeyCount(count); rc != platform::kSuccess) {
            failure = RegistryFailure{"RegQueryInfoKey", Hive::CurrentUser, kAccountsKey, std::nullopt, rc};
        }
    }
    *log << "Searching for existant " << address << " account ... ";
    // The first account that holds the text is the one: an account that
    // cannot be read ends the search rather than let a later one win.
    for (std::uint32_t index = 0; !failure && index < count; ++index) {
        std::string name;
        const platform::Status rc = accounts.enumSubkey(index, name);
        if (rc == platform::kErrorNoMoreItems) break;  // accounts deleted meanwhile
        if (rc != platform::kSuccess) {
            failure = RegistryFailure{"RegEnumKeyEx", Hive::CurrentUser, kAccountsKey, std::nullopt, rc};
            break;
        }
        RegKey account;
        if (!openForReading(account, accountKeyPath(name), failure)) continue;
        const std::string stored = readText(account, "SMTP Email Address", accountKeyPath(name), failure);
        if (!failure && stored != kErrorMarker && stored.find(searchAddress) != std::string::npos) return name;
    }
    if (failure) log->endLine();
    reportReadFailure(failure);
    return std::string(kErrorMarker);
}

}  // namespace tw
