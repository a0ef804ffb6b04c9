// The automatic form's readers on an Outlook Express store made from the fuzz
// input: tidewell's own start-up runs "-auto -p PREFIX [-s TEXT] [-u] [-d]"
// with Outlook Express as the default client. Properties:
// - the exit status is one the automatic form gives (0, 1, 6, 8, 9, 64), and
//   any but 0 leaves the store as it was;
// - the account copied is the one the store names: the default account, or
//   with -s the first account whose address holds the text; 8 only when no
//   account holds it;
// - a run that configures writes the key PREFIX + address with that
//   account's address and display name, and no other account key changes;
// - a second run with -u on the result changes nothing.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/config_app.h"
#include "app/exit_status.h"
#include "tests/fuzz/support.h"

namespace {

using namespace tw;
using platform::Hive;

std::string accountPath(const std::string& name) { return std::string(fuzz::kOeAccountsKey) + "\\" + name; }

// A value's text; nothing when it cannot be read. (Not the readers' own
// "*ERROR*": a hand-edited store may hold that very text as a name.)
std::optional<std::string> text(const std::string& key, const char* value) {
    std::string result;
    if (!fuzz::valueText(Hive::CurrentUser, key, value, result)) return std::nullopt;
    return result;
}

// The account the run must copy, read from the registry alone; nothing when
// there is none to copy.
std::optional<std::string> accountToCopy(const std::optional<std::string>& search) {
    if (!search) {
        return text(fuzz::kOeManagerKey, "Default Mail Account");
    }
    for (const auto& name : fuzz::subkeys(Hive::CurrentUser, fuzz::kOeAccountsKey)) {
        const auto address = text(accountPath(name), "SMTP Email Address");
        if (!address || address->find(*search) == std::string::npos) continue;
        // The readers answer "*ERROR*" for an account they cannot find, so a
        // hand-edited key of that very name is found as none.
        if (name == "*ERROR*") return std::nullopt;
        return name;
    }
    return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::initialise();
    return 0;
}

// The input: a byte of flags, the prefix and the -s text (each up to a NUL),
// then the store's description.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t flags = data[0];
    std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const auto field = [&rest]() {
        const auto end = rest.find('\0');
        std::string value = rest.substr(0, end == std::string::npos ? 24 : std::min<std::size_t>(end, 24));
        rest.erase(0, end == std::string::npos ? value.size() : end + 1);
        return value;
    };
    std::string prefix = (flags & 1) != 0 ? field() : "QM-";
    std::optional<std::string> search;
    if ((flags & 2) != 0) search = field();
    // The command line as a user types it: a value cannot hold " -" (it ends
    // there) or a quote that ends it early; those are the command line's own
    // target's to explore.
    for (std::string* value : {&prefix, search ? &*search : nullptr}) {
        if (value == nullptr) continue;
        std::erase(*value, '"');
        for (auto at = value->find(" -"); at != std::string::npos; at = value->find(" -")) value->erase(at, 2);
    }
    std::string commandLine = "-auto -p \"" + prefix + "\"";
    if (search) commandLine += " -s \"" + *search + "\"";
    // The literal NULL is how the program records that no -s was given, and
    // *NULL* how it reads an option that is absent.
    if (search == "NULL" || search == "*NULL*") search.reset();
    if ((flags & 4) != 0) commandLine += " -u";
    if ((flags & 8) != 0) commandLine += " -d";

    fuzz::World world;
    fuzz::registerOutlookExpress();
    FuzzedDataProvider input(reinterpret_cast<const std::uint8_t*>(rest.data()), rest.size());
    fuzz::seedOutlookExpressStore(input);
    const std::string before = fuzz::registryDump(Hive::CurrentUser, "Software");
    const auto copied = accountToCopy(search);
    std::map<std::string, std::string> accountsBefore;
    for (const auto& name : fuzz::subkeys(Hive::CurrentUser, fuzz::kOeAccountsKey)) {
        accountsBefore[name] = fuzz::registryDump(Hive::CurrentUser, accountPath(name));
    }

    const int status = ConfigApp{}.initInstance(commandLine);
    const std::string after = fuzz::registryDump(Hive::CurrentUser, "Software");
    const std::string log = commandLine + "\n" + world.logText();
    fuzz::check(status == ExitConfigured || status == OutcomeCannotConfigure || status == OutcomeAutoAccountExists ||
                    status == ExitNoDefault || status == ExitDefaultDNE || status == ExitUsage,
                "an exit status the automatic form does not give", std::to_string(status) + "\n" + log);
    if (status != ExitConfigured) fuzz::check(after == before, "a run that did not configure changed the store", log);
    if (status == ExitNoDefault) fuzz::check(search && !copied, "-s found nothing where an account holds the text", log);
    if (search && !copied && status != ExitUsage) {
        fuzz::check(status == ExitNoDefault, "-s copied an account that does not hold the text", log);
    }
    if (status != ExitConfigured) return 0;

    fuzz::check(copied.has_value(), "an account was copied where there is none to copy", log);
    const auto address = text(accountPath(*copied), "SMTP Email Address");
    fuzz::check(address.has_value(), "an account without a readable address was copied", log);
    // The readers answer "*ERROR*" for a name they cannot read, so a name of
    // that very text is taken for none.
    std::string displayName = text(accountPath(*copied), "SMTP Display Name").value_or("");
    if (displayName == "*ERROR*") displayName.clear();
    const std::string key = accountPath(prefix + *address);
    fuzz::check(text(key, "SMTP Email Address") == address, "the copy does not have the account's address", log);
    fuzz::check(text(key, "SMTP Display Name") == displayName, "the copy does not have the account's display name",
                log);
    fuzz::check(text(key, "Account Name") == prefix + *address, "the copy is not named by the prefix", log);
    // Every account key but the copy is as it was.
    std::string copyName;
    platform::RegKey copy;
    copy.open(Hive::CurrentUser, key, platform::kKeyRead);
    copy.storedName(copyName);
    for (const auto& [name, dump] : accountsBefore) {
        if (name == copyName) continue;
        fuzz::check(fuzz::registryDump(Hive::CurrentUser, accountPath(name)) == dump, "another account changed",
                    name + "\n" + log);
    }

    fuzz::check(ConfigApp{}.initInstance(commandLine + " -u") == ExitConfigured, "a second run with -u failed", log);
    fuzz::check(fuzz::registryDump(Hive::CurrentUser, "Software") == after, "a second run with -u changed the store",
                log);
    return 0;
}
