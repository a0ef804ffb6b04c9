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
        text += name + "=" + std::to_string(value.type) + ":" + value.data + "\n";
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

}  // namespace tw::fuzz
