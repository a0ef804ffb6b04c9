// The behaviour of the platform layer that the program relies on. These run on
// both backends, so the fake cannot drift from what Windows (Wine) does.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/testing.h"
#include "platform/text.h"
#include "tests/support/test_env.h"

namespace tw::test {
namespace {

using platform::Hive;
using platform::RegKey;
using platform::RegValue;

class RegistryConformance : public ::testing::Test {
protected:
    platform::testing::IsolatedRegistry registry_;
};

TEST_F(RegistryConformance, MissingKeysAndValuesAnswerTwo) {
    RegKey key;
    EXPECT_EQ(key.open(Hive::CurrentUser, "Software\\Nowhere", platform::kKeyRead), platform::kErrorFileNotFound);
    EXPECT_FALSE(key.valid());
    ASSERT_EQ(key.create(Hive::CurrentUser, "Software\\Here", platform::kKeyAllAccess), platform::kSuccess);
    RegValue value;
    EXPECT_EQ(key.queryValue("absent", value), platform::kErrorFileNotFound);
    EXPECT_EQ(key.deleteValue("absent"), platform::kErrorFileNotFound);
    std::string name;
    EXPECT_EQ(key.enumSubkey(0, name), platform::kErrorNoMoreItems);
}

TEST_F(RegistryConformance, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
    seedText(Hive::CurrentUser, "Software\\MixedCase\\Child", "Value Name", "one");
    RegKey key;
    ASSERT_EQ(key.open(Hive::CurrentUser, "SOFTWARE\\mixedcase\\CHILD\\", platform::kKeyRead), platform::kSuccess);
    RegValue value;
    ASSERT_EQ(key.queryValue("VALUE NAME", value), platform::kSuccess);
    std::string text;
    ASSERT_EQ(platform::valueText(value, text), platform::kSuccess);
    EXPECT_EQ(text, "one");

    RegKey parent;
    ASSERT_EQ(parent.open(Hive::CurrentUser, "software\\MIXEDCASE", platform::kKeyRead), platform::kSuccess);
    std::string name;
    ASSERT_EQ(parent.enumSubkey(0, name), platform::kSuccess);
    EXPECT_EQ(name, "Child");

    // Creating with another spelling opens the same key.
    RegKey again;
    ASSERT_EQ(again.create(Hive::CurrentUser, "Software\\MIXEDCASE\\child", platform::kKeyAllAccess),
              platform::kSuccess);
    std::uint32_t count = 0;
    ASSERT_EQ(parent.subkeyCount(count), platform::kSuccess);
    EXPECT_EQ(count, 1u);
}

TEST_F(RegistryConformance, SubkeysEnumerateInCaseInsensitiveOrder) {
    for (const char* name : {"beta", "Alpha", "_under", "gamma", "ALPHA2", "Zulu", "0digit"}) {
        seedKey(Hive::CurrentUser, std::string("Software\\Order\\") + name);
    }
    RegKey key;
    ASSERT_EQ(key.open(Hive::CurrentUser, "Software\\Order", platform::kKeyRead), platform::kSuccess);
    std::uint32_t count = 0;
    ASSERT_EQ(key.subkeyCount(count), platform::kSuccess);
    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string name;
        ASSERT_EQ(key.enumSubkey(i, name), platform::kSuccess);
        names.push_back(name);
    }
    // Names compare by their lower-case form, which puts "_" (0x5F) before the letters.
    EXPECT_EQ(names, (std::vector<std::string>{"0digit", "_under", "Alpha", "ALPHA2", "beta", "gamma", "Zulu"}));
}

TEST_F(RegistryConformance, DefaultValueHasTheEmptyName) {
    seedText(Hive::ClassesRoot, "mailto\\shell\\open\\command", "", "\"C:\\mail.exe\" %1");
    RegKey key;
    ASSERT_EQ(key.open(Hive::ClassesRoot, "mailto\\shell\\open\\command", platform::kKeyRead), platform::kSuccess);
    RegValue value;
    ASSERT_EQ(key.queryValue("", value), platform::kSuccess);
    EXPECT_EQ(value.type, platform::kRegSz);
    EXPECT_EQ(value.data, std::string("\"C:\\mail.exe\" %1") + '\0');
}

TEST_F(RegistryConformance, ValuesReadWholeWhateverTheirLength) {
    const std::string longText(5000, 'x');
    seedText(Hive::CurrentUser, "Software\\Long", "text", longText);
    seedRaw(Hive::CurrentUser, "Software\\Long", "bin", platform::kRegBinary, std::string("a\0b\xff", 4));
    seedDword(Hive::CurrentUser, "Software\\Long", "number", 0x01020304);
    RegKey key;
    ASSERT_EQ(key.open(Hive::CurrentUser, "Software\\Long", platform::kKeyRead), platform::kSuccess);
    RegValue value;
    ASSERT_EQ(key.queryValue("text", value), platform::kSuccess);
    EXPECT_EQ(value.data.size(), longText.size() + 1) << "REG_SZ is stored with its NUL";
    std::string text;
    ASSERT_EQ(platform::valueText(value, text), platform::kSuccess);
    EXPECT_EQ(text, longText);

    ASSERT_EQ(key.queryValue("bin", value), platform::kSuccess);
    EXPECT_EQ(value.type, platform::kRegBinary);
    EXPECT_EQ(value.data, std::string("a\0b\xff", 4));
    EXPECT_EQ(platform::valueText(value, text), platform::kErrorInvalidParameter);

    ASSERT_EQ(key.queryValue("number", value), platform::kSuccess);
    std::uint32_t number = 0;
    ASSERT_EQ(platform::valueDword(value, number), platform::kSuccess);
    EXPECT_EQ(number, 0x01020304u);
    EXPECT_EQ(value.data, std::string("\x04\x03\x02\x01", 4)) << "little-endian";
}

TEST_F(RegistryConformance, ValuesCanBeReplacedAndDeleted) {
    seedDword(Hive::CurrentUser, "Software\\Values", "v", 1);
    seedText(Hive::CurrentUser, "Software\\Values", "V", "now text");
    EXPECT_EQ(describeValue(Hive::CurrentUser, "Software\\Values", "v"), "sz:now text\\0");
    RegKey key;
    ASSERT_EQ(key.open(Hive::CurrentUser, "Software\\Values", platform::kKeyAllAccess), platform::kSuccess);
    EXPECT_EQ(key.deleteValue("v"), platform::kSuccess);
    EXPECT_EQ(describeValue(Hive::CurrentUser, "Software\\Values", "v"), "missing");
}

TEST_F(RegistryConformance, HivesAreSeparateAndIsolatedPerTest) {
    seedKey(Hive::LocalMachine, "SOFTWARE\\Clients\\Mail\\Outlook Express");
    RegKey key;
    EXPECT_EQ(key.open(Hive::CurrentUser, "SOFTWARE\\Clients\\Mail\\Outlook Express", platform::kKeyRead),
              platform::kErrorFileNotFound);
    EXPECT_EQ(key.open(Hive::ClassesRoot, "SOFTWARE\\Clients\\Mail\\Outlook Express", platform::kKeyRead),
              platform::kErrorFileNotFound);
    EXPECT_EQ(key.open(Hive::LocalMachine, "SOFTWARE\\Clients\\Mail\\Outlook Express", platform::kKeyRead),
              platform::kSuccess);
}

TEST_F(RegistryConformance, AScratchRegistryStartsEmpty) {
    // Runs after the test above in the same process: nothing it made is left.
    RegKey key;
    EXPECT_EQ(key.open(Hive::LocalMachine, "SOFTWARE\\Clients\\Mail\\Outlook Express", platform::kKeyRead),
              platform::kErrorFileNotFound);
    EXPECT_EQ(key.open(Hive::CurrentUser, "Volatile Environment", platform::kKeyRead), platform::kErrorFileNotFound);
}

TEST(FilesConformance, WriteReadReplaceAndDelete) {
    platform::testing::TempFolder temp;
    const std::string target = temp.path() + "\\prefs.js";
    const std::string sibling = temp.path() + "\\prefs.tmp";
    std::string bytes;
    EXPECT_EQ(platform::readWholeFile(target, bytes), platform::kErrorFileNotFound);
    EXPECT_EQ(platform::readWholeFile(temp.path() + "\\none\\prefs.js", bytes), 3) << "a missing folder is 3";

    ASSERT_EQ(platform::writeNewFile(target, "old\r\n"), platform::kSuccess);
    ASSERT_EQ(platform::writeNewFile(sibling, std::string("new\r\n\0x", 7)), platform::kSuccess);
    ASSERT_EQ(platform::replaceFile(sibling, target), platform::kSuccess);
    EXPECT_FALSE(platform::fileExists(sibling));
    ASSERT_EQ(platform::readWholeFile(target, bytes), platform::kSuccess);
    EXPECT_EQ(bytes, std::string("new\r\n\0x", 7)) << "bytes pass unchanged, no text mode";

    EXPECT_EQ(platform::deleteFile(target), platform::kSuccess);
    EXPECT_EQ(platform::deleteFile(target), platform::kErrorFileNotFound);
}

TEST(FilesConformance, ANewFileIsWrittenInPieces) {
    platform::testing::TempFolder temp;
    const std::string path = temp.path() + "\\prefs.tmp";
    ASSERT_EQ(platform::writeNewFile(path, "older and longer content"), platform::kSuccess);
    {
        platform::NewFile file;
        ASSERT_EQ(file.create(path), platform::kSuccess);
        EXPECT_EQ(file.create(path), platform::kErrorInvalidHandle) << "one file per object";
        EXPECT_EQ(file.write("first\r\n"), platform::kSuccess);
        EXPECT_EQ(file.write(std::string("\0second\r\n", 9)), platform::kSuccess);
        EXPECT_EQ(file.finish(), platform::kSuccess);
        EXPECT_EQ(file.write("late"), platform::kErrorInvalidHandle);
    }
    EXPECT_EQ(readFile(path), std::string("first\r\n\0second\r\n", 16)) << "replaced, bytes unchanged";

    platform::NewFile nowhere;
    EXPECT_EQ(nowhere.create(temp.path() + "\\missing\\prefs.tmp"), platform::kErrorPathNotFound);
    EXPECT_EQ(nowhere.write("x"), platform::kErrorInvalidHandle);
    {
        platform::testing::ExclusiveFileLock lock(path);
        platform::NewFile held;
        EXPECT_EQ(held.create(path), 32) << "sharing violation";
    }
}

TEST(FilesConformance, AFileHeldWithoutSharingIsNeitherReadNorReplaced) {
    platform::testing::TempFolder temp;
    const std::string target = temp.path() + "\\prefs.js";
    const std::string sibling = temp.path() + "\\prefs.tmp";
    ASSERT_EQ(platform::writeNewFile(target, "kept"), platform::kSuccess);
    ASSERT_EQ(platform::writeNewFile(sibling, "new"), platform::kSuccess);
    {
        platform::testing::ExclusiveFileLock lock(target);
        ASSERT_TRUE(lock.locked());
        std::string bytes;
        EXPECT_EQ(platform::readWholeFile(target, bytes), 32) << "sharing violation";
        EXPECT_EQ(platform::replaceFile(sibling, target), platform::kErrorAccessDenied);
    }
    std::string bytes;
    ASSERT_EQ(platform::readWholeFile(target, bytes), platform::kSuccess);
    EXPECT_EQ(bytes, "kept");
}

TEST(FilesConformance, AFileIsReadInPiecesAndAgainFromTheStart) {
    platform::testing::TempFolder temp;
    const std::string path = temp.path() + "\\prefs.js";
    platform::FileReader reader;
    EXPECT_EQ(reader.open(path), platform::kErrorFileNotFound);
    EXPECT_EQ(reader.open(temp.path() + "\\none\\prefs.js"), 3);

    const std::string content = std::string("a\r\n\0b", 5) + std::string(70000, 'x');
    ASSERT_EQ(platform::writeNewFile(path, content), platform::kSuccess);
    ASSERT_EQ(reader.open(path), platform::kSuccess);
    for (int pass = 0; pass < 2; ++pass) {
        std::string bytes;
        char piece[4096];
        for (std::size_t got = 0;;) {
            ASSERT_EQ(reader.read(piece, sizeof piece, got), platform::kSuccess);
            if (got == 0) break;
            bytes.append(piece, got);
        }
        EXPECT_TRUE(bytes == content) << "pass " << pass;
        ASSERT_EQ(reader.rewind(), platform::kSuccess);
    }
    // Others may read the file meanwhile; it is replaced once the reader is closed.
    std::string bytes;
    EXPECT_EQ(platform::readWholeFile(path, bytes), platform::kSuccess);
    reader.close();
    ASSERT_EQ(platform::writeNewFile(path + ".tmp", "new"), platform::kSuccess);
    EXPECT_EQ(platform::replaceFile(path + ".tmp", path), platform::kSuccess);

    platform::testing::ExclusiveFileLock lock(path);
    EXPECT_EQ(reader.open(path), 32) << "sharing violation";
}

TEST(FilesConformance, PathsResolveToAnExistingFolder) {
    platform::testing::TempFolder temp;
    const std::string folder = temp.path() + "\\Mozilla Thunderbird";
    EXPECT_EQ(platform::resolvedPathUtf8(folder), "") << "missing";
    ASSERT_EQ(platform::createFolder(folder), platform::kSuccess);
    const std::string resolved = platform::resolvedPathUtf8(folder);
    ASSERT_FALSE(resolved.empty());
    EXPECT_TRUE(resolved.ends_with("\\Mozilla Thunderbird")) << resolved;
    EXPECT_FALSE(resolved.starts_with("\\\\?\\")) << resolved;
    EXPECT_EQ(platform::resolvedPathUtf8(folder + "\\"), resolved) << "a separator at the end";
    // Windows names the folder as stored, whatever case it was asked in; the
    // fake backend, whose files are case-sensitive, cannot find it then.
    const std::string otherCase = platform::resolvedPathUtf8(temp.path() + "\\MOZILLA THUNDERBIRD");
    if (!otherCase.empty()) {
        EXPECT_EQ(otherCase, resolved);
    }
}

TEST(FilesConformance, FoldersAndPatterns) {
    platform::testing::TempFolder temp;
    const std::string sub = temp.path() + "\\Profiles";
    EXPECT_FALSE(platform::folderExists(sub));
    EXPECT_EQ(platform::createFolder(sub), platform::kSuccess);
    EXPECT_EQ(platform::createFolder(sub), platform::kSuccess) << "an existing folder is fine";
    EXPECT_TRUE(platform::folderExists(sub));
    EXPECT_EQ(platform::createFolder(temp.path() + "\\a\\b"), 3) << "one level at a time";
    ASSERT_EQ(platform::writeNewFile(sub + "\\one.oeaccount", "1"), platform::kSuccess);
    ASSERT_EQ(platform::writeNewFile(sub + "\\two.OEACCOUNT", "2"), platform::kSuccess);
    ASSERT_EQ(platform::writeNewFile(sub + "\\three.txt", "3"), platform::kSuccess);
    const auto found = platform::findFiles(sub + "\\*.oeaccount");
    EXPECT_EQ(std::set<std::string>(found.begin(), found.end()), (std::set<std::string>{"one.oeaccount", "two.OEACCOUNT"}));
    EXPECT_TRUE(platform::findFiles(temp.path() + "\\missing\\*").empty());
}

TEST(FilesConformance, AppendFileAddsToTheEnd) {
    platform::testing::TempFolder temp;
    const std::string path = temp.path() + "\\Tidewell.log";
    for (const char* piece : {"first\r\n", "second\r\n"}) {
        platform::AppendFile file;
        ASSERT_EQ(file.open(path), platform::kSuccess);
        ASSERT_EQ(file.write(piece), platform::kSuccess);
    }
    EXPECT_EQ(readFile(path), "first\r\nsecond\r\n");
    platform::AppendFile file;
    EXPECT_NE(file.open(temp.path() + "\\no such folder\\Tidewell.log"), platform::kSuccess);
    EXPECT_FALSE(file.isOpen());
}

TEST(TextConformance, AnsiAndUtf8) {
    // The test machines run with the Western European code page, 1252.
    EXPECT_EQ(platform::ansiToUtf8(""), "");
    EXPECT_EQ(platform::ansiToUtf8("plain ASCII"), "plain ASCII");
    EXPECT_EQ(platform::ansiToUtf8("Zo\xEB \x80 \xFF"), "Zo\xC3\xAB \xE2\x82\xAC \xC3\xBF");
    EXPECT_EQ(platform::utf8ToAnsi("Zo\xC3\xAB \xE2\x82\xAC \xC3\xBF"), "Zo\xEB \x80 \xFF");
    EXPECT_EQ(platform::utf8ToAnsi("\xE4\xB8\xAD"), "?") << "a character the code page lacks";
}

TEST(SystemConformance, EnvironmentVariables) {
    platform::testing::setEnvironmentVariable("TIDEWELL_PROBE", "value");
    EXPECT_EQ(platform::environmentVariable("tidewell_probe").value_or("unset"), "value") << "names ignore case";
    platform::testing::setEnvironmentVariable("TIDEWELL_PROBE", std::nullopt);
    EXPECT_FALSE(platform::environmentVariable("TIDEWELL_PROBE").has_value());
}

TEST(SystemConformance, UuidsAreFreshLowerCaseText) {
    const std::string a = platform::newUuidText();
    const std::string b = platform::newUuidText();
    EXPECT_NE(a, b);
    ASSERT_EQ(a.size(), 36u);
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            EXPECT_EQ(a[i], '-');
        } else {
            EXPECT_TRUE((a[i] >= '0' && a[i] <= '9') || (a[i] >= 'a' && a[i] <= 'f')) << a;
        }
    }
}

TEST(SystemConformance, SnapshotSeesAndTerminatesAStandIn) {
    platform::testing::TempFolder temp;
    const auto id = platform::testing::startStandInProcess("msimn.exe", temp.path());
    ASSERT_NE(id, 0u);
    bool seen = false;
    for (const auto& process : platform::processSnapshot()) {
        if (process.id == id) {
            EXPECT_EQ(process.imageName, "msimn.exe");
            seen = true;
        }
    }
    EXPECT_TRUE(seen);
    EXPECT_EQ(platform::terminateProcess(id, 0), platform::kSuccess);
    EXPECT_TRUE(platform::testing::waitForProcessExit(id, 5000));
}

}  // namespace
}  // namespace tw::test
