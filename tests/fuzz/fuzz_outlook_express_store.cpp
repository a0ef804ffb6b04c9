// An Outlook Express store made from the fuzz input (accounts, values of odd
// types and sizes, the default account), configured by the Outlook Express
// writer, now and then with one platform call failing. Properties:
// - the outcome is 0, 1 or 5; a run that does not configure changes nothing;
// - the account the run must take is the one it takes: the first account
//   whose address is the request's (5 without -u), else a key already named
//   by the address, letter case aside (5 without -u), else a new key named by
//   it;
// - a run that configures changes that one key's own values, and the default
//   account only as asked (or for the very first account); every other key
//   and value of the store is as it was;
// - a second run with -u on the result changes nothing;
// - a run with a failing call succeeds only with the result of the run without.
#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clients/outlook_express_winmail/outlook_express_writer.h"
#include "core/session_log.h"
#include "platform/text.h"
#include "tests/fuzz/support.h"

namespace {

using namespace tw;
using platform::Hive;

constexpr const char* kDefaultValue = "Default Mail Account";

std::string accountPath(const std::string& name) { return std::string(fuzz::kOeAccountsKey) + "\\" + name; }

struct Request {
    std::string address;
    bool makeDefault = false;
    bool overwrite = false;
    bool useSsl = true;
};

// The store as the registry shows it.
struct Snapshot {
    std::string whole;                           // everything below Software
    std::map<std::string, std::string> values;   // each account key's own values
    std::map<std::string, std::string> below;    // each account key's subkeys, whole
    std::string managerOthers;                   // the manager key's values but the default
    std::optional<std::string> defaultAccount;   // its text, when it is text
};

// Two dumps of the store that differ at most in the letter case of the
// default account's name. The default names the key as Outlook Express spelled
// it when that spelling can be read, else as the address was typed: the same
// key either way, since the registry ignores case.
bool sameButDefaultCase(const std::string& a, const std::string& b) {
    constexpr std::string_view kLine = "Default Mail Account=";
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const std::size_t endA = std::min(a.find('\n', i), a.size());
        const std::size_t endB = std::min(b.find('\n', j), b.size());
        const std::string_view lineA(a.data() + i, endA - i);
        const std::string_view lineB(b.data() + j, endB - j);
        const bool same = lineA == lineB || (lineA.starts_with(kLine) && lineB.starts_with(kLine) &&
                                             platform::equalIgnoringCaseAnsi(lineA, lineB));
        if (!same) return false;
        i = endA + 1;
        j = endB + 1;
    }
    return i >= a.size() && j >= b.size();
}

Snapshot snapshot() {
    Snapshot s;
    s.whole = fuzz::registryDump(Hive::CurrentUser, "Software");
    for (const auto& name : fuzz::subkeys(Hive::CurrentUser, fuzz::kOeAccountsKey)) {
        s.values[name] = fuzz::keyValues(Hive::CurrentUser, accountPath(name));
        std::string below;
        for (const auto& child : fuzz::subkeys(Hive::CurrentUser, accountPath(name))) {
            below += fuzz::registryDump(Hive::CurrentUser, accountPath(name) + "\\" + child);
        }
        s.below[name] = below;
    }
    for (const auto& name : platform::testing::valueNames(Hive::CurrentUser, fuzz::kOeManagerKey)) {
        if (name == kDefaultValue) continue;
        platform::RegKey manager;
        platform::RegValue value;
        manager.open(Hive::CurrentUser, fuzz::kOeManagerKey, platform::kKeyRead);
        manager.queryValue(name, value);
        s.managerOthers += name + "=" + std::to_string(value.type) + ":" + value.data + "\n";
    }
    std::string text;
    if (fuzz::valueText(Hive::CurrentUser, fuzz::kOeManagerKey, kDefaultValue, text)) s.defaultAccount = text;
    return s;
}

// The account a run for the address must take, found by the registry alone.
struct Target {
    bool exists = false;
    std::string name;  // the key, as the registry spells it
};

Target expectedTarget(const std::string& address) {
    for (const auto& name : fuzz::subkeys(Hive::CurrentUser, fuzz::kOeAccountsKey)) {
        std::string text;
        if (fuzz::valueText(Hive::CurrentUser, accountPath(name), "SMTP Email Address", text) && text == address) {
            return {true, name};
        }
    }
    platform::RegKey named;
    if (named.open(Hive::CurrentUser, accountPath(address), platform::kKeyRead) == platform::kSuccess) {
        Target t{true, address};
        named.storedName(t.name);
        return t;
    }
    return {false, address};
}

ConfigOutcome configure(const Request& request, const fuzz::World& world, std::size_t failing) {
    SessionLog log;
    log.open(world.folder() + "\\Tidewell.log");
    std::optional<platform::testing::CallFaults> faults;
    if (failing != 0) faults.emplace(failing);
    OutlookExpressWriter writer(request.address, "Ann Example", request.makeDefault, request.overwrite,
                                request.useSsl, log);
    return writer.configure();
}

void seed(const std::string& description) {
    FuzzedDataProvider input(reinterpret_cast<const std::uint8_t*>(description.data()), description.size());
    fuzz::seedOutlookExpressStore(input);
}

// An address one of the seeded accounts holds (so that the found course is
// taken), or a fixed one in either letter case.
std::string chooseAddress(int choice) {
    if (choice == 1) return "ANN@Example.com";
    if (choice >= 2) {
        for (const auto& name : fuzz::subkeys(Hive::CurrentUser, fuzz::kOeAccountsKey)) {
            std::string text;
            if (fuzz::valueText(Hive::CurrentUser, accountPath(name), "SMTP Email Address", text) && !text.empty() &&
                text.find('\\') == std::string::npos && text.find_first_of(" \t\r\n\v\f") == std::string::npos) {
                return text;
            }
        }
    }
    return "ann@example.com";
}

void checkConfigured(const Snapshot& before, const Snapshot& after, const Target& target, const Request& request,
                     const std::string& log) {
    std::string text;
    fuzz::check(fuzz::valueText(Hive::CurrentUser, accountPath(target.name), "SMTP Email Address", text) &&
                    text == request.address,
                "the account's key does not hold the address", target.name + "\n" + log);
    fuzz::check(after.values.size() == before.values.size() + (target.exists ? 0 : 1), "accounts were added or lost",
                log);
    for (const auto& [name, values] : before.values) {
        if (name == target.name) continue;
        const auto found = after.values.find(name);
        fuzz::check(found != after.values.end() && found->second == values, "another account changed", name);
    }
    for (const auto& [name, below] : before.below) {
        fuzz::check(after.below.at(name) == below, "keys below an account changed", name);
    }
    fuzz::check(after.managerOthers == before.managerOthers, "other values of the manager key changed");
    const bool becomesDefault = request.makeDefault || before.values.empty();
    if (becomesDefault) {
        fuzz::check(after.defaultAccount == target.name, "the default account does not name the account", log);
    } else {
        fuzz::check(after.defaultAccount == before.defaultAccount, "the default account changed", log);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::initialise();
    return 0;
}

// The input: a byte of flags, a byte naming the call to fail (with flag 0x20),
// then the store's description.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = fuzz::fileInput(data, size, 0x20);
    if (!input) return 0;
    const std::uint8_t flags = input->flags;
    const std::size_t failing = input->failing;
    const std::string& description = input->bytes;
    Request request;
    request.overwrite = (flags & 1) != 0;
    request.makeDefault = (flags & 2) != 0;
    request.useSsl = (flags & 4) == 0;

    std::string after;
    ConfigOutcome outcome = OutcomeNoWriter;
    {
        fuzz::World world;
        seed(description);
        request.address = chooseAddress((flags >> 3) & 3);
        const Target target = expectedTarget(request.address);
        const Snapshot before = snapshot();
        outcome = configure(request, world, 0);
        const Snapshot result = snapshot();
        after = result.whole;
        const std::string log = world.logText();
        fuzz::check(outcome == OutcomeConfigured || outcome == OutcomeCannotConfigure ||
                        outcome == OutcomeAccountExists,
                    "an outcome the Outlook Express writer does not give", log);
        if (outcome != OutcomeConfigured) {
            fuzz::check(result.whole == before.whole, "a run that did not configure changed the store", log);
        }
        fuzz::check((outcome == OutcomeAccountExists) == (target.exists && !request.overwrite),
                    "an account of the address was found where there is none, or the other way round",
                    target.name + "\n" + log);
        if (outcome == OutcomeConfigured) {
            checkConfigured(before, result, target, request, log);
            Request again = request;
            again.overwrite = true;
            fuzz::check(configure(again, world, 0) == OutcomeConfigured, "a second run with -u did not configure");
            fuzz::check(snapshot().whole == after, "a second run with -u changed the store");
        }
    }
    if (failing != 0) {
        fuzz::World world;
        seed(description);
        const std::string before = snapshot().whole;
        const ConfigOutcome faulted = configure(request, world, failing);
        const std::string result = snapshot().whole;
        if (faulted == OutcomeConfigured) {
            fuzz::check(outcome == OutcomeConfigured && sameButDefaultCase(result, after),
                        "a run with a failed call reported success with another result",
                        "--- without the failure:\n" + after + "--- with it:\n" + result + "--- log:\n" +
                            world.logText());
        } else {
            fuzz::check(result == before, "a failed run changed the store", world.logText());
        }
    }
    return 0;
}
