#include "tests/support/test_env.h"

#include <algorithm>
#include <utility>
#include <regex>
#include <vector>

#include "platform/files.h"
#include "platform/system.h"

namespace tw::test {

TidewellTest::TidewellTest() {
    seedText(platform::Hive::CurrentUser, "Volatile Environment", "APPDATA", folder());
}

std::string TidewellTest::logText() const { return maskTimes(crlfToLf(readFile(logFile()))); }

SavedValue::SavedValue(platform::Hive hive, std::string key, std::string name)
    : hive_(hive), key_(std::move(key)), name_(std::move(name)) {
    platform::RegKey k;
    keyExisted_ = k.open(hive_, key_, platform::kKeyRead) == platform::kSuccess;
    platform::RegValue value;
    if (keyExisted_ && k.queryValue(name_, value) == platform::kSuccess) old_ = value;
}

SavedValue::~SavedValue() {
    if (!keyExisted_) {
        platform::testing::deleteKeyTree(hive_, key_);
        return;
    }
    platform::RegKey k;
    if (k.open(hive_, key_, platform::kKeyAllAccess) != platform::kSuccess) return;
    if (!old_) {
        k.deleteValue(name_);
    } else if (old_->type == platform::kRegSz || old_->type == platform::kRegExpandSz) {
        std::string text;
        platform::valueText(*old_, text);
        k.setString(name_, text);
    }
}

ScopedEnvironment::ScopedEnvironment(std::string name, std::optional<std::string_view> value)
    : name_(std::move(name)), saved_(platform::environmentVariable(name_)) {
    platform::testing::setEnvironmentVariable(name_, value);
}

ScopedEnvironment::~ScopedEnvironment() {
    if (saved_) {
        platform::testing::setEnvironmentVariable(name_, std::string_view(*saved_));
    } else {
        platform::testing::setEnvironmentVariable(name_, std::nullopt);
    }
}

void seedKey(platform::Hive hive, std::string_view key, std::uint32_t view) {
    platform::RegKey k;
    ASSERT_EQ(k.create(hive, key, platform::kKeyAllAccess | view), platform::kSuccess) << key;
}

void seedText(platform::Hive hive, std::string_view key, std::string_view name, std::string_view text,
              std::uint32_t view) {
    platform::RegKey k;
    ASSERT_EQ(k.create(hive, key, platform::kKeyAllAccess | view), platform::kSuccess) << key;
    ASSERT_EQ(k.setString(name, text), platform::kSuccess);
}

void seedDword(platform::Hive hive, std::string_view key, std::string_view name, std::uint32_t value) {
    platform::RegKey k;
    ASSERT_EQ(k.create(hive, key, platform::kKeyAllAccess), platform::kSuccess) << key;
    ASSERT_EQ(k.setDword(name, value), platform::kSuccess);
}

void seedRaw(platform::Hive hive, std::string_view key, std::string_view name, std::uint32_t type,
             std::string_view bytes) {
    platform::RegKey k;
    ASSERT_EQ(k.create(hive, key, platform::kKeyAllAccess), platform::kSuccess) << key;
    if (type == platform::kRegDword && bytes.size() == 4) {
        std::uint32_t n = 0;
        for (int i = 3; i >= 0; --i) n = n << 8 | static_cast<unsigned char>(bytes[i]);
        ASSERT_EQ(k.setDword(name, n), platform::kSuccess);
    } else if (type == platform::kRegBinary) {
        ASSERT_EQ(k.setBinary(name, bytes), platform::kSuccess);
    } else {
        ASSERT_EQ(type, platform::kRegSz) << "seedRaw handles REG_SZ, REG_DWORD and REG_BINARY";
        ASSERT_EQ(k.setString(name, bytes), platform::kSuccess);
    }
}

std::string describeValue(platform::Hive hive, std::string_view key, std::string_view name) {
    platform::RegKey k;
    if (k.open(hive, key, platform::kKeyRead) != platform::kSuccess) return "missing key";
    platform::RegValue value;
    if (k.queryValue(name, value) != platform::kSuccess) return "missing";
    std::uint32_t number = 0;
    if (platform::valueDword(value, number) == platform::kSuccess) return "dword:" + std::to_string(number);
    if (value.type == platform::kRegSz) {
        std::string shown = value.data;
        const auto nul = shown.find('\0');
        if (nul != std::string::npos) shown.replace(nul, std::string::npos, "\\0");
        return "sz:" + shown;
    }
    return "type" + std::to_string(value.type) + ":" + value.data;
}

std::string registryDump(platform::Hive hive, std::string_view key) {
    std::vector<std::string> children;
    {
        platform::RegKey k;
        if (k.open(hive, key, platform::kKeyRead) != platform::kSuccess) return "missing key\n";
        std::string name;
        for (std::uint32_t i = 0; k.enumSubkey(i, name) == platform::kSuccess; ++i) children.push_back(name);
    }
    std::string dump(1, '[');
    dump.append(key).append("]\n");
    std::vector<std::string> names = platform::testing::valueNames(hive, key);
    std::sort(names.begin(), names.end());
    for (const auto& name : names) dump += name + "=" + describeValue(hive, key, name) + "\n";
    for (const auto& child : children) dump += registryDump(hive, std::string(key) + "\\" + child);
    return dump;
}

void registerClient(std::string_view registrationName, std::uint32_t view) {
    seedKey(platform::Hive::LocalMachine, "SOFTWARE\\Clients\\Mail\\" + std::string(registrationName), view);
}

namespace {

// "user32.dll" for "C:\windows\system32\USER32.dll".
std::string lowerCaseFileName(const std::string& path) {
    std::string name = path.substr(path.find_last_of("\\/") + 1);
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return name;
}

}  // namespace

std::string windowDllsLoaded(const std::vector<std::string>& modules) {
    std::string found;
    for (const std::string& path : modules) {
        const std::string name = lowerCaseFileName(path);
        if (name == "mapi32.dll") break;
        if (name == "user32.dll" || name == "comctl32.dll" || name == "gdi32.dll") {
            found += (found.empty() ? "" : ", ") + name;
        }
    }
    return found;
}

std::uint32_t runWindowless(const std::string& commandLine, const std::string& outputPath) {
    std::uint32_t status = 999;
    std::vector<std::string> modules;
    EXPECT_EQ(platform::testing::runWatchingModules(commandLine, outputPath, status, modules), platform::kSuccess)
        << commandLine;
    // Every program loads kernel32: without it the loads were not seen at all.
    EXPECT_TRUE(std::any_of(modules.begin(), modules.end(),
                            [](const std::string& path) { return lowerCaseFileName(path) == "kernel32.dll"; }))
        << "no modules seen: " << commandLine;
    EXPECT_EQ(windowDllsLoaded(modules), "") << "a windowless run loaded a window DLL: " << commandLine;
    return status;
}

std::string readFile(const std::string& path) {
    std::string bytes;
    platform::readWholeFile(path, bytes);
    return bytes;
}

std::string crlfToLf(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

std::string maskTimes(std::string text) {
    static const std::regex stamp("[0-9]{2}:[0-9]{2}:[0-9]{2} on [0-9]{2}/[0-9]{2}/[0-9]{2}");
    return std::regex_replace(text, stamp, "<time>");
}

}  // namespace tw::test
