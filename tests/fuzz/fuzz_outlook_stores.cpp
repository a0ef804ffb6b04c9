// Outlook's stores made from the fuzz input, configured through tidewell's
// own start-up ("-n ... -c 1 -a ADDRESS [-u] [-d]"): Outlook 2000's account
// manager, or the profile store of Outlook 2002 and later (its account list,
// counters and UTF-16 texts as binary values, accounts under ids and odd
// names). Properties:
// - the exit status is one an Outlook writer gives (0 to 5), and any but 0
//   leaves every store as it was;
// - a run that configures is found again: the same run without -u gives 5,
//   and with -u changes nothing;
// - in the profile store the account list names the account, and every other
//   account key is as it was.
#include <cstdint>
#include <map>
#include <string>

#include "app/config_app.h"
#include "app/exit_status.h"
#include "tests/fuzz/support.h"

namespace {

using namespace tw;
using platform::Hive;

const std::string kProfiles = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles";
const std::string kStoreKeyName = "9375CFF0413111d3B88A00104B2A6676";
const std::string kAccountList = "{ED475418-B0D6-11D2-8C3B-00104B2A6676}";
const std::string kOmiAccounts = "Software\\Microsoft\\Office\\Outlook\\OMI Account Manager\\Accounts";

std::string utf16z(std::string_view text) {
    std::string bytes;
    for (const char c : text) {
        bytes += c;
        bytes += '\0';
    }
    return bytes + std::string(2, '\0');
}

void setRaw(const std::string& key, const std::string& name, std::uint32_t type, const std::string& data) {
    platform::RegKey k;
    if (k.create(Hive::CurrentUser, key, platform::kKeyAllAccess) == platform::kSuccess) k.restoreValue(name, {type, data});
}

std::string someAddress(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0: return "ann@example.com";
    case 1: return "ANN@Example.com";
    case 2: return "bob@work.example";
    default: return input.ConsumeRandomLengthString(30);
    }
}

// Outlook 2002 and later: the default profile's account store.
std::string seedProfileStore(FuzzedDataProvider& input) {
    const std::string profile = input.ConsumeBool() ? "Home" : input.ConsumeRandomLengthString(12);
    fuzz::setText(Hive::CurrentUser, kProfiles, "DefaultProfile", profile);
    const std::string store = kProfiles + "\\" + (input.ConsumeBool() ? "Home" : profile) + "\\" + kStoreKeyName;
    if (input.ConsumeBool()) setRaw(store, "NextAccountID", platform::kRegDword, input.ConsumeBytesAsString(4));
    setRaw(store, kAccountList, platform::kRegBinary, input.ConsumeRandomLengthString(24));
    if (input.ConsumeBool()) setRaw(store, "LastChangeVer", platform::kRegBinary, input.ConsumeRandomLengthString(10));
    const int accounts = input.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < accounts; ++i) {
        char id[9];
        std::snprintf(id, sizeof id, "%08x", input.ConsumeIntegralInRange(0, 5));
        const std::string name = input.ConsumeIntegralInRange(0, 5) == 0 ? input.ConsumeRandomLengthString(10) : id;
        if (name.empty()) continue;
        const std::string key = store + "\\" + name;
        if (input.ConsumeBool()) {
            setRaw(key, "Email", platform::kRegBinary, utf16z(someAddress(input)));
        } else if (input.ConsumeBool()) {
            setRaw(key, "Email", platform::kRegBinary, input.ConsumeRandomLengthString(20));
        }
        if (input.ConsumeBool()) setRaw(key, "Display Name", platform::kRegBinary, utf16z("Old"));
        if (input.ConsumeBool()) setRaw(key, "Account Name", platform::kRegBinary, utf16z(someAddress(input)));
    }
    return store;
}

// Outlook 2000's account manager.
void seedAccountManager(FuzzedDataProvider& input) {
    const int accounts = input.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < accounts; ++i) {
        const std::string key = kOmiAccounts + "\\" + someAddress(input);
        const std::string address = someAddress(input);
        switch (input.ConsumeIntegralInRange(0, 3)) {
        case 0: setRaw(key, "SMTP Email Address", platform::kRegSz, address + std::string(1, '\0')); break;
        case 1: setRaw(key, "SMTP Email Address", platform::kRegSz, address); break;
        case 2: setRaw(key, "SMTP Email Address", platform::kRegBinary, address); break;
        default: setRaw(key, "Account Name", platform::kRegSz, address); break;
        }
    }
}

std::string storeText() { return fuzz::registryDump(Hive::CurrentUser, "Software"); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::initialise();
    return 0;
}

// The input: a byte of flags, then the store's description.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t flags = data[0];
    const bool profileStore = (flags & 1) != 0;
    std::string commandLine = "-n \"Ann Example\" -c 1 -a ";
    commandLine += (flags & 2) != 0 ? "ANN@Example.com" : "ann@example.com";
    if ((flags & 8) != 0) commandLine += " -d";

    fuzz::World world;
    platform::RegKey registration;
    registration.create(Hive::LocalMachine, "SOFTWARE\\Clients\\Mail\\Microsoft Outlook", platform::kKeyAllAccess);
    fuzz::setText(Hive::LocalMachine, "SOFTWARE\\Clients\\Mail\\Microsoft Outlook", "MSIApplicationLCID",
                  profileStore ? "Software\\Microsoft\\Office\\11.0\\Outlook" : "Software\\Microsoft\\Office\\9.0\\Outlook");
    FuzzedDataProvider input(data + 1, size - 1);
    std::string store;
    if (profileStore) {
        store = seedProfileStore(input);
    } else {
        seedAccountManager(input);
    }
    std::map<std::string, std::string> accountsBefore;
    if (profileStore) {
        for (const auto& name : fuzz::subkeys(Hive::CurrentUser, store)) {
            accountsBefore[name] = fuzz::registryDump(Hive::CurrentUser, store + "\\" + name);
        }
    }
    const std::string before = storeText();
    const bool overwrite = (flags & 4) != 0;
    const int status = ConfigApp{}.initInstance(commandLine + (overwrite ? " -u" : ""));
    const std::string after = storeText();
    const std::string log = commandLine + "\n" + world.logText();
    fuzz::check(status >= ExitConfigured && status <= OutcomeAccountExists, "an exit status no Outlook writer gives",
                std::to_string(status) + "\n" + log);
    if (status != ExitConfigured) {
        fuzz::check(after == before, "a run that did not configure changed a store", log);
        return 0;
    }
    fuzz::check(ConfigApp{}.initInstance(commandLine) == OutcomeAccountExists, "the account written is not found again",
                log);
    fuzz::check(ConfigApp{}.initInstance(commandLine + " -u") == ExitConfigured, "a second run with -u failed", log);
    if (!profileStore) {
        fuzz::check(storeText() == after, "a second run with -u changed the store", log);
        return 0;
    }
    // The profile store: LastChangeVer rises with every write, and a reset
    // with -d rebuilds the account list from the accounts that have an
    // address (ids of no account drop out), so the second run is compared
    // without those two; the list is checked below.
    const auto withoutCounter = [](std::string text) {
        for (const char* value : {"LastChangeVer=", "{ED475418-B0D6-11D2-8C3B-00104B2A6676}="}) {
            const auto at = text.find(value);
            if (at != std::string::npos) text.erase(at, text.find('\n', at) - at);
        }
        return text;
    };
    fuzz::check(withoutCounter(storeText()) == withoutCounter(after), "a second run with -u changed the store",
                "before:\n" + after + "\nafter:\n" + storeText());
    std::string written;
    for (const auto& name : fuzz::subkeys(Hive::CurrentUser, store)) {
        const auto found = accountsBefore.find(name);
        if (found == accountsBefore.end() || found->second != fuzz::registryDump(Hive::CurrentUser, store + "\\" + name)) {
            fuzz::check(written.empty(), "more than one account key changed", written + " and " + name + "\n" + log);
            written = name;
        }
    }
    fuzz::check(!written.empty() || overwrite, "no account key was written", log);
    if (written.empty()) return 0;
    // The account list names it.
    platform::RegKey key;
    platform::RegValue list;
    key.open(Hive::CurrentUser, store, platform::kKeyRead);
    key.queryValue(kAccountList, list);
    const std::uint32_t id = static_cast<std::uint32_t>(std::stoul(written, nullptr, 16));
    int listed = 0;
    for (std::size_t at = 0; at + 4 <= list.data.size(); at += 4) {
        std::uint32_t entry = 0;
        for (int i = 3; i >= 0; --i) entry = entry << 8 | static_cast<unsigned char>(list.data[at + i]);
        if (entry == id) ++listed;
    }
    // At least once: a hand-edited list may name an id twice already.
    fuzz::check(listed >= 1, "the account list does not name the account", written + "\n" + log);
    return 0;
}
