#include "clients/outlook/outlook_profile_writer.h"

#include <algorithm>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "clients/outlook/account_values.h"
#include "clients/outlook/outlook_store.h"
#include "clients/outlook/profile_text.h"
#include "core/markers.h"
#include "core/provider.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace tw {
namespace {

using platform::Hive;
using platform::RegKey;

// The account type Outlook gives an IMAP account.
constexpr std::string_view kImapAccountClass = "{ED475412-B0D6-11D2-8C3B-00104B2A6676}";

std::string subkeyPath(const std::string& storePath, std::string_view name) {
    std::string path = storePath;
    path += '\\';
    path += name;
    return path;
}

// The text of a UTF-16 value of an account, or nothing when it is missing or
// holds a character the ANSI code page lacks.
std::optional<std::string> readWideText(const RegKey& key, std::string_view valueName,
                                        platform::Status* result = nullptr) {
    platform::RegValue value;
    const platform::Status rc = key.queryValue(valueName, value);
    if (result != nullptr) *result = rc;
    if (rc != platform::kSuccess) return std::nullopt;
    return narrowText(value.data);
}

// A key or value that is there but cannot be read, as against one that is not there.
bool unreadable(platform::Status rc) { return rc != platform::kSuccess && rc != platform::kErrorFileNotFound; }

// Every account id the store uses: its list's and its subkeys'.
bool usedAccountIds(const RegKey& store, const std::string& list, std::set<std::uint32_t>& ids,
                    platform::Status& rc) {
    for (std::uint32_t id : decodeAccountList(list)) ids.insert(id);
    std::string name;
    for (std::uint32_t index = 0;; ++index) {
        rc = store.enumSubkey(index, name);
        if (rc == platform::kErrorNoMoreItems) return true;
        if (rc != platform::kSuccess) return false;
        if (const auto id = accountIdFromName(name)) ids.insert(*id);
    }
}

}  // namespace

OutlookProfileWriter::OutlookProfileWriter(std::string newAddress, std::string newDisplayName, bool newMakeDefault,
                                           bool newOverwriteExisting, bool newUseSsl, SessionLog& newLog)
    : useSsl(newUseSsl),
      address(std::move(newAddress)),
      displayName(std::move(newDisplayName)),
      makeDefault(newMakeDefault),
      overwriteExisting(newOverwriteExisting),
      log(&newLog) {}

void OutlookProfileWriter::reset(std::string newAddress, std::string newDisplayName, bool newMakeDefault,
                                 bool newOverwriteExisting, bool, SessionLog& newLog) {
    address = std::move(newAddress);
    displayName = std::move(newDisplayName);
    makeDefault = newMakeDefault;
    overwriteExisting = newOverwriteExisting;
    log = &newLog;
}

ConfigOutcome OutlookProfileWriter::configure() {
    std::string failure;
    const bool pickProfile = readPickLogonProfile(failure);
    if (!failure.empty()) {
        log->line(failure);
        return OutcomeCannotConfigure;
    }
    if (pickProfile) return OutcomeNoDefaultProfile;
    const DefaultProfile profile = readDefaultProfile();
    if (profile.status != platform::kSuccess) {
        if (profile.status == platform::kErrorFileNotFound) return OutcomeClientNeverRun;
        checked(profile.status, "RegOpenKeyEx", std::string(kOutlookProfilesKey));
        return OutcomeRegistryUnavailable;
    }
    log->lineBlank("Starting Outlook configuration...");
    const AccountStore store = openProfileAccountKey(profile.name);
    if (store.outcome != OutcomeConfigured) {
        if (unreadable(store.status)) checked(store.status, "RegOpenKeyEx", store.path);
        return store.outcome;
    }

    *log << "Searching for existant " << address << " account ... ";
    Search search;
    if (!searchAccounts(store.path, search)) return OutcomeCannotConfigure;
    if (search.found && !overwriteExisting) {
        if (automaticMode) {
            log->line(" found. Quitting.");
            return OutcomeAutoAccountExists;
        }
        log->line(" found. No changes will be made.");
        return OutcomeAccountExists;
    }
    log->line(search.found ? " found. Reseting settings to defaults." : "not found. Creating new account.");

    const std::string accountName = automaticMode ? automaticPrefix + address : address;
    if (!writeStore(store.path, search, accountName)) return OutcomeCannotConfigure;
    logSettings(accountName);
    return OutcomeConfigured;
}

bool OutlookProfileWriter::writeStore(const std::string& storePath, const Search& search,
                                      const std::string& accountName) {
    std::uint32_t id = 0;
    std::string oldList;
    if (!search.found && !newAccountId(storePath, id, oldList)) return false;
    // The account, the list, the counters: all of it or none. The list and
    // NextAccountID change only once the account's values are written.
    const std::string accountKeyName = search.found ? search.accountKeyName : accountIdName(id);
    RegistryAccountWrite write(Hive::CurrentUser);
    const auto writeAll = [&] {
        if (!writeAccount(write, subkeyPath(storePath, accountKeyName), accountName)) return false;
        const auto store = write.openKey(storePath);
        if (!store) return false;
        const bool listed = search.found
                                ? (makeDefault ? rebuildAccountList(write, *store, storePath, accountKeyName)
                                               : keepListed(write, *store, storePath, accountKeyName))
                                : addToAccountList(write, *store, id, oldList);
        return listed && incrementLastChangeVer(write, *store, storePath);
    };
    if (!writeAll()) {
        reportFailureAndUndo(write, *log);
        return false;
    }
    write.commit();
    return true;
}

bool OutlookProfileWriter::checked(platform::Status rc, const char* call, const std::string& key,
                                   std::string_view value) {
    if (rc == platform::kSuccess) return true;
    const auto valueName = value.empty() ? std::nullopt : std::optional<std::string>(value);
    log->line(RegistryFailure{call, Hive::CurrentUser, key, valueName, rc}.describe());
    return false;
}

bool OutlookProfileWriter::searchAccounts(const std::string& storePath, Search& search) {
    RegKey store;
    platform::Status rc = store.open(Hive::CurrentUser, storePath, platform::kKeyRead);
    if (rc != platform::kSuccess) {
        log->endLine();  // the search line is still open
        return checked(rc, "RegOpenKeyEx", storePath);
    }
    // Normal mode looks for the address, the automatic mode for the account it
    // would create itself; either way ignoring case as Windows does, accented
    // letters included.
    const std::string wanted = automaticMode ? automaticPrefix + address : address;
    const char* valueName = automaticMode ? "Account Name" : "Email";
    std::string name;
    for (std::uint32_t index = 0;; ++index) {
        rc = store.enumSubkey(index, name);
        if (rc == platform::kErrorNoMoreItems) return true;
        if (rc != platform::kSuccess) {
            log->endLine();
            return checked(rc, "RegEnumKeyEx", storePath);
        }
        // Outlook names every account by its id; anything else is no account.
        if (!accountIdFromName(name)) continue;
        // An account that cannot be read may be this address's: a new one
        // beside it would be a second account for the address.
        RegKey account;
        const std::string accountPath = subkeyPath(storePath, name);
        rc = account.open(Hive::CurrentUser, accountPath, platform::kKeyRead);
        if (rc == platform::kErrorFileNotFound) continue;  // deleted meanwhile
        if (rc != platform::kSuccess) {
            log->endLine();
            return checked(rc, "RegOpenKeyEx", accountPath);
        }
        const auto stored = readWideText(account, valueName, &rc);
        if (unreadable(rc)) {
            log->endLine();
            return checked(rc, "RegQueryValueEx", accountPath, valueName);
        }
        if (stored && platform::equalIgnoringCaseAnsi(*stored, wanted)) {
            search.found = true;
            search.accountKeyName = name;
            if (automaticMode) automaticAccountFound = true;
            return true;
        }
    }
}

bool OutlookProfileWriter::newAccountId(const std::string& storePath, std::uint32_t& id, std::string& oldList) {
    RegKey store;
    platform::Status rc = store.open(Hive::CurrentUser, storePath, platform::kKeyRead);
    if (!checked(rc, "RegOpenKeyEx", storePath)) return false;
    platform::RegValue value;
    rc = store.queryValue(kAccountListValue, value);
    if (rc == platform::kSuccess) {
        oldList = value.data;
    } else if (rc != platform::kErrorFileNotFound) {
        return checked(rc, "RegQueryValueEx", storePath, kAccountListValue);
    }
    // Outlook keeps the next id in NextAccountID. Without a usable one, or
    // when a hand-edited store already uses it, take the next id no account has.
    id = 1;
    if (store.queryValue(kNextAccountIdValue, value) == platform::kSuccess) platform::valueDword(value, id);
    std::set<std::uint32_t> used;
    if (!usedAccountIds(store, oldList, used, rc)) return checked(rc, "RegEnumKeyEx", storePath);
    while (used.count(id) != 0) ++id;
    return true;
}

bool OutlookProfileWriter::writeAccount(RegistryAccountWrite& write, const std::string& accountKeyPath,
                                        const std::string& accountName) {
    const ProviderServers servers = providerServers(useSsl);
    const std::uint32_t ssl = useSsl ? 1 : 0;
    const struct {
        const char* what;
        std::string_view text;
    } texts[] = {{"Account Name", accountName},
                 {"Display Name", displayName},
                 {"Email", address},
                 {"IMAP Server", servers.incomingHost},
                 {"IMAP Root Folder", "INBOX."},
                 {"SMTP Server", servers.outgoingHost}};
    std::vector<std::string> wide;
    for (const auto& text : texts) {
        auto bytes = widenText(text.text);
        if (!bytes) {
            *log << "Unable to convert the " << text.what << " to Unicode for Outlook's profile store.";
            log->endLine();
            return false;
        }
        wide.push_back(std::move(*bytes));
    }
    const std::vector<AccountValue> values = {
        AccountValue::binary("Account Name", wide[0]),
        AccountValue::string("clsid", std::string(kImapAccountClass)),
        AccountValue::binary("Display Name", wide[1]),
        AccountValue::binary("Email", wide[2]),
        AccountValue::dword("IMAP Dirty", 0),
        AccountValue::dword("IMAP Poll All Folders", 1),
        AccountValue::dword("IMAP Polling", 1),
        AccountValue::dword("IMAP Port", static_cast<std::uint32_t>(servers.imapPort)),
        AccountValue::binary("IMAP Server", wide[3]),
        AccountValue::dword("IMAP Use SSL", ssl),
        AccountValue::binary("IMAP User", wide[2]),
        AccountValue::binary("IMAP Root Folder", wide[4]),
        AccountValue::dword("SMTP Port", static_cast<std::uint32_t>(servers.smtpPort)),
        AccountValue::dword("SMTP Use Auth", 1),
        AccountValue::binary("SMTP Server", wide[5]),
        AccountValue::dword("SMTP Use SSL", ssl),
    };
    const auto key = write.openKey(accountKeyPath);
    return key && writeAccountValues(write, *key, values);
}

bool OutlookProfileWriter::addToAccountList(RegistryAccountWrite& write, RegistryAccountWrite::KeyId store,
                                            std::uint32_t id, const std::string& oldList) {
    // Whole entries only: a trailing fragment of a hand-edited list names no account.
    std::vector<std::uint32_t> ids = decodeAccountList(oldList);
    if (makeDefault) {
        ids.insert(ids.begin(), id);
    } else {
        ids.push_back(id);
    }
    return write.setDword(store, kNextAccountIdValue, id + 1) &&
           write.setBinary(store, kAccountListValue, encodeAccountList(ids));
}

// A reset account that the list (edited by hand, say) does not name would
// stay out of Outlook's sight, configured or not: it is added at the end.
bool OutlookProfileWriter::keepListed(RegistryAccountWrite& write, RegistryAccountWrite::KeyId store,
                                      const std::string& storePath, const std::string& foundName) {
    RegKey reader;
    platform::Status rc = reader.open(Hive::CurrentUser, storePath, platform::kKeyRead);
    if (!checked(rc, "RegOpenKeyEx", storePath)) return false;
    platform::RegValue list;
    rc = reader.queryValue(kAccountListValue, list);
    if (rc != platform::kErrorFileNotFound && !checked(rc, "RegQueryValueEx", storePath, kAccountListValue)) {
        return false;
    }
    const auto id = accountIdFromName(foundName);
    std::vector<std::uint32_t> ids = decodeAccountList(list.data);
    if (!id || std::find(ids.begin(), ids.end(), *id) != ids.end()) return true;
    ids.push_back(*id);
    return write.setBinary(store, kAccountListValue, encodeAccountList(ids));
}

// The found account first, then every other account of the store that has
// an address, in subkey order.
bool OutlookProfileWriter::rebuildAccountList(RegistryAccountWrite& write, RegistryAccountWrite::KeyId store,
                                              const std::string& storePath, const std::string& foundName) {
    RegKey reader;
    platform::Status rc = reader.open(Hive::CurrentUser, storePath, platform::kKeyRead);
    if (!checked(rc, "RegOpenKeyEx", storePath)) return false;
    const std::uint32_t foundId = accountIdFromName(foundName).value_or(0);
    std::vector<std::uint32_t> ids = {foundId};
    std::string name;
    for (std::uint32_t index = 0;; ++index) {
        rc = reader.enumSubkey(index, name);
        if (rc == platform::kErrorNoMoreItems) break;
        if (!checked(rc, "RegEnumKeyEx", storePath)) return false;
        const auto id = accountIdFromName(name);
        if (!id || *id == foundId) continue;
        // An account is listed when it has an address. One that cannot be
        // read is not dropped from the list on a guess: the run stops.
        RegKey account;
        platform::RegValue email;
        const std::string accountPath = subkeyPath(storePath, name);
        rc = account.open(Hive::CurrentUser, accountPath, platform::kKeyRead);
        if (rc == platform::kErrorFileNotFound) continue;
        if (!checked(rc, "RegOpenKeyEx", accountPath)) return false;
        rc = account.queryValue("Email", email);
        if (rc == platform::kErrorFileNotFound) continue;
        if (!checked(rc, "RegQueryValueEx", accountPath, "Email")) return false;
        ids.push_back(*id);
    }
    return write.setBinary(store, kAccountListValue, encodeAccountList(ids));
}

// LastChangeVer is an 8-byte little-endian counter; Outlook notices the
// changed store by its rise. A missing or short value counts from 0.
bool OutlookProfileWriter::incrementLastChangeVer(RegistryAccountWrite& write, RegistryAccountWrite::KeyId store,
                                                  const std::string& storePath) {
    RegKey reader;
    platform::Status rc = reader.open(Hive::CurrentUser, storePath, platform::kKeyRead);
    if (!checked(rc, "RegOpenKeyEx", storePath)) return false;
    platform::RegValue value;
    rc = reader.queryValue(kLastChangeVerValue, value);
    if (rc != platform::kErrorFileNotFound && !checked(rc, "RegQueryValueEx", storePath, kLastChangeVerValue)) {
        return false;
    }
    std::uint64_t counter = 0;
    const std::size_t used = rc == platform::kSuccess ? std::min<std::size_t>(value.data.size(), 8) : 0;
    for (std::size_t i = used; i-- > 0;) counter = counter << 8 | static_cast<unsigned char>(value.data[i]);
    ++counter;
    std::string bytes;
    for (int i = 0; i < 8; ++i) bytes += static_cast<char>((counter >> (8 * i)) & 0xFF);
    return write.setBinary(store, kLastChangeVerValue, bytes);
}

// Three lines (prompt for password, secure connection, timeout) name settings
// this store does not hold; support staff's scripts read them all the same.
void OutlookProfileWriter::logSettings(const std::string& accountName) {
    const ProviderServers servers = providerServers(useSsl);
    SessionLog& out = *log;
    out.endLine();
    out.lineBlank("The following settings were written/overwritten in the system registry:");
    out << "Account Name: " << accountName;
    out.endLine();
    out << "clsid: " << kImapAccountClass;
    out.endLine();
    out << "Display Name: " << displayName;
    out.endLine();
    out << "Email: " << address;
    out.endLine();
    out << "IMAP Port: " << servers.imapPort;
    out.endLine();
    out.line("IMAP Prompt for Password: 1");
    out.line("IMAP Secure Connection: 1");
    out << "IMAP Server: " << servers.incomingHost;
    out.endLine();
    out.line("IMAP Timeout: 60");
    out << "IMAP User Name: " << address;
    out.endLine();
    out.line("IMAP Poll All Folders: 1");
    out.line("IMAP Polling: 1");
    out.line("IMAP Root Folder: INBOX.");
    out << "SMTP Port: " << servers.smtpPort;
    out.endLine();
    out << "SMTP Server: " << servers.outgoingHost;
    out.endLine();
    out << "SMTP Use SSL: " << (useSsl ? 1 : 0);
    out.endLineBlank();
}

std::string OutlookProfileWriter::readStoreText(const std::string& accountName, std::string_view valueName) {
    const DefaultProfile profile = readDefaultProfile();
    if (reportReadFailure(profile.status, "RegOpenKeyEx", std::string(kOutlookProfilesKey)) ||
        profile.status != platform::kSuccess || !isKeyName(profile.name) || !isKeyName(accountName)) {
        return std::string(kErrorMarker);
    }
    RegKey account;
    const std::string accountPath = subkeyPath(accountStorePath(profile.name), accountName);
    platform::Status rc = account.open(Hive::CurrentUser, accountPath, platform::kKeyRead);
    if (reportReadFailure(rc, "RegOpenKeyEx", accountPath) || rc != platform::kSuccess) {
        return std::string(kErrorMarker);
    }
    auto text = readWideText(account, valueName, &rc);
    reportReadFailure(rc, "RegQueryValueEx", accountPath, valueName);
    return text.value_or(std::string(kErrorMarker));
}

bool OutlookProfileWriter::reportReadFailure(platform::Status rc, const char* call, const std::string& key,
                                             std::string_view value) {
    if (!unreadable(rc)) return false;
    readFailed_ = true;
    checked(rc, call, key, value);
    return true;
}

std::string OutlookProfileWriter::defaultAccountName() {
    const DefaultProfile profile = readDefaultProfile();
    if (reportReadFailure(profile.status, "RegOpenKeyEx", std::string(kOutlookProfilesKey)) ||
        profile.status != platform::kSuccess || !isKeyName(profile.name)) {
        return std::string(kErrorMarker);
    }
    RegKey store;
    const std::string storePath = accountStorePath(profile.name);
    platform::Status rc = store.open(Hive::CurrentUser, storePath, platform::kKeyRead);
    if (reportReadFailure(rc, "RegOpenKeyEx", storePath) || rc != platform::kSuccess) return std::string(kErrorMarker);
    platform::RegValue list;
    rc = store.queryValue(kAccountListValue, list);
    if (reportReadFailure(rc, "RegQueryValueEx", storePath, kAccountListValue) || rc != platform::kSuccess) {
        return std::string(kErrorMarker);
    }
    const std::vector<std::uint32_t> ids = decodeAccountList(list.data);
    return ids.empty() ? std::string(kErrorMarker) : accountIdName(ids.front());
}

std::string OutlookProfileWriter::findAccountByAddress(const std::string& searchAddress) {
    const DefaultProfile profile = readDefaultProfile();
    if (reportReadFailure(profile.status, "RegOpenKeyEx", std::string(kOutlookProfilesKey)) ||
        profile.status != platform::kSuccess || !isKeyName(profile.name)) {
        return std::string(kErrorMarker);
    }
    RegKey store;
    const std::string storePath = accountStorePath(profile.name);
    platform::Status rc = store.open(Hive::CurrentUser, storePath, platform::kKeyRead);
    if (reportReadFailure(rc, "RegOpenKeyEx", storePath) || rc != platform::kSuccess) return std::string(kErrorMarker);
    // The first account that holds the text is the one: an account that
    // cannot be read ends the search rather than let a later one win.
    std::string name;
    for (std::uint32_t index = 0;; ++index) {
        rc = store.enumSubkey(index, name);
        if (rc == platform::kErrorNoMoreItems) break;
        if (rc != platform::kSuccess) {
            reportReadFailure(rc, "RegEnumKeyEx", storePath);
            break;
        }
        RegKey account;
        const std::string accountPath = subkeyPath(storePath, name);
        rc = account.open(Hive::CurrentUser, accountPath, platform::kKeyRead);
        if (reportReadFailure(rc, "RegOpenKeyEx", accountPath)) break;
        if (rc != platform::kSuccess) continue;
        const auto stored = readWideText(account, "Email", &rc);
        if (reportReadFailure(rc, "RegQueryValueEx", accountPath, "Email")) break;
        if (stored && stored->find(searchAddress) != std::string::npos) return name;
    }
    return std::string(kErrorMarker);
}

std::string OutlookProfileWriter::accountAddress(const std::string& accountName) {
    return readStoreText(accountName, "Email");
}

std::string OutlookProfileWriter::accountDisplayName(const std::string& accountName) {
    return readStoreText(accountName, "Display Name");
}

}  // namespace tw
