#include "tests/fuzz/support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/files.h"

namespace tw::fuzz {

void initialise() { platform::testing::keepFilesInMemory(); }

void fail(std::string_view what, std::string_view detail) {
    // The detail with its control bytes shown, NULs and lone CRs included.
    std::string shown;
    for (const char c : detail) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n' || (byte >= 0x20 && byte < 0x7F)) {
            shown += c;
        } else {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02X", byte);
            shown += code;
        }
    }
    std::fprintf(stderr, "\n*** Property does not hold: %.*s\n%s\n", static_cast<int>(what.size()), what.data(),
                 shown.c_str());
    std::abort();
}

World::World() {
    platform::RegKey environment;
    environment.create(platform::Hive::CurrentUser, "Volatile Environment", platform::kKeyAllAccess);
    environment.setString("APPDATA", folder());
}

std::string World::logText() const { return readFile(folder() + "\\Tidewell.log"); }

std::vector<std::string> subkeys(platform::Hive hive, std::string_view key) {
    std::vector<std::string> names;
    platform::RegKey k;
    if (k.open(hive, key, platform::kKeyRead) != platform::kSuccess) return names;
    std::string name;
    for (std::uint32_t i = 0; k.enumSubkey(i, name) == platform::kSuccess; ++i) names.push_back(name);
    return names;
}

std::string keyValues(platform::Hive hive, std::string_view key) {
    std::vector<std::string> names = platform::testing::valueNames(hive, key);
    std::sort(names.begin(), names.end());
    platform::RegKey k;
    if (k.open(hive, key, platform::kKeyRead) != platform::kSuccess) return "missing key\n";
    std::string text;
    for (const auto& name : names) {
        platform::RegValue value;
        k.queryValue(name, value);
        // One line a value, whatever bytes it holds.
        std::string data;
        for (const char c : value.data) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte >= 0x20 && byte < 0x7F && c != '\\') {
                data += c;
            } else {
                char code[8];
                std::snprintf(code, sizeof code, "\\x%02X", byte);
                data += code;
            }
        }
        text += name + "=" + std::to_string(value.type) + ":" + data + "\n";
    }
    return text;
}

std::string registryDump(platform::Hive hive, std::string_view key) {
    std::string dump = "[" + std::string(key) + "]\n" + keyValues(hive, key);
    for (const auto& child : subkeys(hive, key)) dump += registryDump(hive, std::string(key) + "\\" + child);
    return dump;
}

namespace {

void listFiles(const std::string& base, const std::string& folder, std::vector<std::string>& out) {
    for (const auto& name : platform::findFiles(folder + "\\*")) {
        const std::string path = folder + "\\" + name;
        const std::string shown = path.substr(base.size());
        if (platform::folderExists(path)) {
            out.push_back(shown + "\\");
            listFiles(base, path, out);
        } else if (shown != "\\Tidewell.log") {
            out.push_back(shown + " = [" + readFile(path) + "]");
        }
    }
}

}  // namespace

std::string filesBelow(const std::string& folder) {
    std::vector<std::string> files;
    listFiles(folder, folder, files);
    std::sort(files.begin(), files.end());
    std::string text;
    for (const auto& file : files) text += file + "\n";
    return text;
}

std::string readFile(const std::string& path) {
    std::string bytes;
    platform::readWholeFile(path, bytes);
    return bytes;
}

void writeFile(const std::string& path, std::string_view bytes) {
    check(platform::writeNewFile(path, bytes) == platform::kSuccess, "seeding a file", path);
}

void makeFolder(const std::string& path) {
    check(platform::createFolder(path) == platform::kSuccess, "seeding a folder", path);
}

void setText(platform::Hive hive, std::string_view key, std::string_view name, std::string_view text) {
    platform::RegKey k;
    check(k.create(hive, key, platform::kKeyAllAccess) == platform::kSuccess, "seeding a key", key);
    check(k.setString(name, text) == platform::kSuccess, "seeding a value", name);
}

bool valueText(platform::Hive hive, std::string_view key, std::string_view name, std::string& text) {
    platform::RegKey k;
    platform::RegValue value;
    if (k.open(hive, key, platform::kKeyRead) != platform::kSuccess ||
        k.queryValue(name, value) != platform::kSuccess) {
        return false;
    }
    if (value.type != platform::kRegSz && value.type != platform::kRegExpandSz) return false;
    text = value.data.substr(0, value.data.find('\0'));
    return true;
}

std::optional<FileInput> fileInput(const std::uint8_t* data, std::size_t size, std::uint8_t failOnCall) {
    if (size < 2) return std::nullopt;
    FileInput input;
    input.flags = data[0];
    input.failing = (input.flags & failOnCall) != 0 ? data[1] + 1u : 0;
    input.bytes.assign(reinterpret_cast<const char*>(data) + 2, size - 2);
    return input;
}

}  // namespace tw::fuzz

namespace tw::fuzz {
namespace {

std::string pick(FuzzedDataProvider& input, std::initializer_list<const char*> choices) {
    const auto index = input.ConsumeIntegralInRange<std::size_t>(0, choices.size() - 1);
    return *(choices.begin() + index);
}

// Text for a key name or a value: mostly near the names and addresses the
// writer looks for, sometimes anything.
std::string someText(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0: return pick(input, {"ann@example.com", "ANN@Example.com", "bob@work.example", "QM-ann@example.com",
                                "ann@example.com.invalid", "jos\xE9@example.com", "JOS\xC9@example.com", ""});
    case 1: return pick(input, {"00000001", "00000002", "Directory Service", "ann@example.com\\nested"});
    default: return input.ConsumeRandomLengthString(40);
    }
}

void seedValue(FuzzedDataProvider& input, platform::RegKey& key, const std::string& name) {
    platform::RegValue value;
    switch (input.ConsumeIntegralInRange(0, 7)) {
    case 0:  // text as Windows keeps it, NUL counted
        value = {platform::kRegSz, someText(input) + std::string(1, '\0')};
        break;
    case 1:  // text without its NUL, or with bytes after it
        value = {platform::kRegSz, someText(input)};
        if (input.ConsumeBool()) value.data += std::string(1, '\0') + input.ConsumeRandomLengthString(8);
        break;
    case 2: value = {platform::kRegExpandSz, someText(input) + std::string(1, '\0')}; break;
    case 3: value = {platform::kRegDword, input.ConsumeBytesAsString(4)}; break;
    case 4: value = {platform::kRegBinary, input.ConsumeRandomLengthString(300)}; break;
    case 5: value = {platform::kRegMultiSz, someText(input) + std::string(2, '\0')}; break;
    case 6: value = {platform::kRegNone, {}}; break;
    default: value = {input.ConsumeIntegral<std::uint32_t>(), input.ConsumeRandomLengthString(16)}; break;
    }
    key.restoreValue(name, value);
}

}  // namespace

void seedOutlookExpressStore(FuzzedDataProvider& input) {
    platform::RegKey accounts;
    check(accounts.create(platform::Hive::CurrentUser, kOeAccountsKey, platform::kKeyAllAccess) == platform::kSuccess,
          "seeding the accounts key");
    const int count = input.ConsumeIntegralInRange(0, 5);
    for (int i = 0; i < count; ++i) {
        const std::string name = someText(input);
        platform::RegKey account;
        // Names the registry refuses (empty, too long) make no account.
        if (name.empty() || account.create(platform::Hive::CurrentUser, std::string(kOeAccountsKey) + "\\" + name,
                                           platform::kKeyAllAccess) != platform::kSuccess) {
            continue;
        }
        const int values = input.ConsumeIntegralInRange(0, 4);
        for (int v = 0; v < values; ++v) {
            seedValue(input, account,
                      pick(input, {"SMTP Email Address", "SMTP Email Address", "SMTP Display Name", "Account Name",
                                   "IMAP Server", "POP3 Port"}));
        }
    }
    if (input.ConsumeBool()) {
        platform::RegKey manager;
        manager.create(platform::Hive::CurrentUser, kOeManagerKey, platform::kKeyAllAccess);
        seedValue(input, manager, "Default Mail Account");
    }
}

void registerOutlookExpress() {
    platform::RegKey key;
    key.create(platform::Hive::LocalMachine, "SOFTWARE\\Clients\\Mail\\Outlook Express", platform::kKeyAllAccess);
    setText(platform::Hive::ClassesRoot, "mailto\\shell\\open\\command", "",
            "\"C:\\Program Files\\Outlook Express\\msimn.exe\" /mailurl:%1");
}

}  // namespace tw::fuzz
