// The behaviour of the platform layer that the program relies on. These run on
// both backends, so the fake cannot drift from what Windows (Wine) does.
#include <gtest/gtest.h>

#include <functional>
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

TEST_F(RegistryConformance, SubkeysBeyondAsciiEnumerateByTheirUnicodeCharacters) {
    // Lower case of the Unicode character, not the code page's byte: é (E9)
    // before Ÿ (ÿ, FF) before Š (š, 161) before € (20AC).
    for (const char* name : {"\x80", "\x8A", "\x9F", "\xE9", "\xF7", "\xDF", "\xD7", "\xB5", "z", "a", "_"}) {
        seedKey(Hive::CurrentUser, std::string("Software\\Order\\") + name);
    }
    RegKey key;
    ASSERT_EQ(key.open(Hive::CurrentUser, "Software\\Order", platform::kKeyRead), platform::kSuccess);
    std::vector<std::string> names;
    std::string name;
    for (std::uint32_t i = 0; key.enumSubkey(i, name) == platform::kSuccess; ++i) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"_", "a", "z", "\xB5", "\xD7", "\xDF", "\xE9", "\xF7", "\x9F", "\x8A",
                                               "\x80"}));
}

// Names fold as Windows folds the characters of code page 1252 (measured
// under Wine): A-Z, À-Þ except ×, and Š Œ Ž Ÿ onto their small letters.
TEST_F(RegistryConformance, NamesFoldTheCodePagesLettersBeyondAscii) {
    struct Pair {
        const char* upper;
        const char* lower;
    };
    const Pair folding[] = {{"JOS\xC9", "jos\xE9"}, {"\xC0", "\xE0"}, {"\xDE", "\xFE"}, {"\xD6", "\xF6"},
                            {"\x8A", "\x9A"},       {"\x8C", "\x9C"}, {"\x8E", "\x9E"}, {"\x9F", "\xFF"}};
    for (const Pair& pair : folding) {
        const std::string key = std::string("Software\\Fold\\") + pair.upper;
        seedText(Hive::CurrentUser, key, pair.upper, "stored");
        RegKey opened;
        ASSERT_EQ(opened.open(Hive::CurrentUser, std::string("Software\\Fold\\") + pair.lower, platform::kKeyRead),
                  platform::kSuccess)
            << pair.lower;
        RegValue value;
        EXPECT_EQ(opened.queryValue(pair.lower, value), platform::kSuccess) << "value " << pair.lower;
        std::string spelling;
        ASSERT_EQ(opened.storedName(spelling), platform::kSuccess);
        EXPECT_EQ(spelling, pair.upper) << "a key keeps the spelling it was created with";
    }

    // One key per byte: only the pairs above and A-Z share a name, so ×/÷, ß,
    // µ, ƒ, € and the rest stay apart.
    for (int byte = 0x21; byte <= 0xFF; ++byte) {
        if (byte == '\\') continue;
        seedKey(Hive::CurrentUser, std::string("Software\\Bytes\\k") + static_cast<char>(byte));
    }
    RegKey bytes;
    ASSERT_EQ(bytes.open(Hive::CurrentUser, "Software\\Bytes", platform::kKeyRead), platform::kSuccess);
    std::uint32_t count = 0;
    ASSERT_EQ(bytes.subkeyCount(count), platform::kSuccess);
    EXPECT_EQ(count, 222u - 26u - 30u - 4u);
}

TEST_F(RegistryConformance, KeyNamesAndPathsHaveLimits) {
    struct Case {
        std::string path;
        platform::Status created;
        const char* why;
    };
    const auto steps = [](int count) {
        std::string path;
        for (int i = 0; i < count; ++i) path += "s\\";
        return path;
    };
    const Case cases[] = {
        {std::string(256, 'n'), platform::kSuccess, "a key name of 256 characters (Windows documents 255)"},
        {std::string(257, 'n'), platform::kErrorInvalidParameter, "a key name of 257 characters"},
        {steps(129) + "ab", platform::kSuccess, "a path of 260 characters"},
        {steps(129) + "abc", platform::kErrorMoreData, "a path of 261 characters, each name short"},
        {"\\lead", platform::kErrorBadPathname, "a path that begins with a backslash"},
        {"double\\\\name\\", platform::kSuccess, "doubled and trailing backslashes are skipped"},
    };
    for (const Case& c : cases) {
        RegKey key;
        EXPECT_EQ(key.create(Hive::CurrentUser, c.path, platform::kKeyAllAccess), c.created) << c.why;
        EXPECT_EQ(key.open(Hive::CurrentUser, c.path, platform::kKeyRead), c.created) << c.why;
    }
    RegKey key;
    EXPECT_EQ(key.open(Hive::CurrentUser, "double\\name", platform::kKeyRead), platform::kSuccess);

    // The names before one that is too long are created all the same.
    EXPECT_EQ(key.create(Hive::CurrentUser, "p\\" + std::string(257, 'n'), platform::kKeyAllAccess),
              platform::kErrorInvalidParameter);
    EXPECT_EQ(key.open(Hive::CurrentUser, "p", platform::kKeyRead), platform::kSuccess);
    // A path refused for its length creates nothing.
    EXPECT_EQ(key.create(Hive::CurrentUser, "whole\\" + std::string(255, 'n'), platform::kKeyAllAccess),
              platform::kErrorMoreData);
    EXPECT_EQ(key.open(Hive::CurrentUser, "whole", platform::kKeyRead), platform::kErrorFileNotFound);
}

TEST_F(RegistryConformance, ValueNamesHaveALimitAndDataNone) {
    RegKey key;
    ASSERT_EQ(key.create(Hive::CurrentUser, "Software\\Sizes", platform::kKeyAllAccess), platform::kSuccess);
    EXPECT_EQ(key.setDword(std::string(16383, 'v'), 1), platform::kSuccess);
    EXPECT_EQ(key.setDword(std::string(16384, 'v'), 1), platform::kErrorInvalidParameter);
    RegValue value;
    EXPECT_EQ(key.queryValue(std::string(16384, 'v'), value), platform::kErrorFileNotFound);
    // Windows' old 1 MB data limit is not enforced (Wine accepted 200 MB).
    const std::string big(3 * 1024 * 1024, 'd');
    ASSERT_EQ(key.setBinary("big", big), platform::kSuccess);
    ASSERT_EQ(key.queryValue("big", value), platform::kSuccess);
    EXPECT_EQ(value.data.size(), big.size());
}

TEST_F(RegistryConformance, KeysAreDeletedOneLeafAtATime) {
    seedText(Hive::CurrentUser, "Software\\Tree\\Leaf", "v", "x");
    EXPECT_EQ(platform::deleteKey(Hive::CurrentUser, "Software\\Tree"), platform::kErrorAccessDenied)
        << "a key with subkeys stays";
    RegKey held;
    ASSERT_EQ(held.open(Hive::CurrentUser, "Software\\Tree\\Leaf", platform::kKeyAllAccess), platform::kSuccess);
    EXPECT_EQ(platform::deleteKey(Hive::CurrentUser, "SOFTWARE\\tree\\LEAF"), platform::kSuccess)
        << "values go with it, whatever the spelling";
    EXPECT_EQ(held.setDword("late", 1), platform::kErrorKeyDeleted) << "a handle outlives its key";
    EXPECT_EQ(platform::deleteKey(Hive::CurrentUser, "Software\\Tree\\Leaf"), platform::kErrorFileNotFound);
    EXPECT_EQ(platform::deleteKey(Hive::CurrentUser, "Software\\Tree"), platform::kSuccess);
}

TEST_F(RegistryConformance, SavedValuesComeBackExactly) {
    seedText(Hive::CurrentUser, "Software\\Saved", "text", "Zo\xEB \x80 \x8C");
    seedRaw(Hive::CurrentUser, "Software\\Saved", "bin", platform::kRegBinary, std::string("a\0b\xff", 4));
    seedDword(Hive::CurrentUser, "Software\\Saved", "number", 7);
    RegKey key;
    ASSERT_EQ(key.open(Hive::CurrentUser, "Software\\Saved", platform::kKeyAllAccess), platform::kSuccess);
    for (const char* name : {"text", "bin", "number"}) {
        RegValue before;
        ASSERT_EQ(key.queryValue(name, before), platform::kSuccess);
        RegValue saved;
        ASSERT_EQ(key.saveValue(name, saved), platform::kSuccess);
        ASSERT_EQ(key.setString(name, "overwritten"), platform::kSuccess);
        ASSERT_EQ(key.restoreValue(name, saved), platform::kSuccess);
        RegValue after;
        ASSERT_EQ(key.queryValue(name, after), platform::kSuccess);
        EXPECT_EQ(after.type, before.type) << name;
        EXPECT_EQ(after.data, before.data) << name;
    }
    RegValue missing;
    EXPECT_EQ(key.saveValue("absent", missing), platform::kErrorFileNotFound);
}

TEST_F(RegistryConformance, AReadOnlyKeyRefusesWriteAccess) {
    seedKey(Hive::CurrentUser, "Software\\Locked\\Child");
    {
        platform::testing::ReadOnlyKey lock(Hive::CurrentUser, "Software\\Locked");
        ASSERT_TRUE(lock.applied());
        RegKey key;
        EXPECT_EQ(key.open(Hive::CurrentUser, "Software\\Locked", platform::kKeyAllAccess),
                  platform::kErrorAccessDenied);
        EXPECT_EQ(key.create(Hive::CurrentUser, "Software\\Locked", platform::kKeyAllAccess),
                  platform::kErrorAccessDenied);
        EXPECT_EQ(key.open(Hive::CurrentUser, "Software\\Locked", platform::kKeyRead), platform::kSuccess);
        EXPECT_EQ(key.open(Hive::CurrentUser, "Software\\Locked\\Child", platform::kKeyAllAccess), platform::kSuccess)
            << "a subkey keeps its own access list";
    }
    RegKey key;
    EXPECT_EQ(key.open(Hive::CurrentUser, "Software\\Locked", platform::kKeyAllAccess), platform::kSuccess);
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

// The tests run as a 64-bit program (the fake stands for one), so their own
// view of HKLM\SOFTWARE is the 64-bit one; the 32-bit view is
// SOFTWARE\Wow6432Node, in a scratch registry as on the machine.
TEST_F(RegistryConformance, MachineSoftwareHasTwoViewsAndTheUserHiveOne) {
    using platform::kKeyView32;
    using platform::kKeyView64;
    seedKey(Hive::LocalMachine, "SOFTWARE\\Clients\\Mail\\Only32", kKeyView32);
    seedKey(Hive::LocalMachine, "SOFTWARE\\Clients\\Mail\\Only64", kKeyView64);
    seedKey(Hive::CurrentUser, "Software\\Shared", kKeyView32);
    struct Case {
        Hive hive;
        const char* path;
        std::uint32_t view;
        bool found;
    };
    const Case cases[] = {
        {Hive::LocalMachine, "SOFTWARE\\Clients\\Mail\\Only32", kKeyView32, true},
        {Hive::LocalMachine, "software\\clients\\mail\\only32", kKeyView32, true},
        {Hive::LocalMachine, "SOFTWARE\\Clients\\Mail\\Only32", kKeyView64, false},
        {Hive::LocalMachine, "SOFTWARE\\Clients\\Mail\\Only32", 0, false},
        {Hive::LocalMachine, "SOFTWARE\\Wow6432Node\\Clients\\Mail\\Only32", 0, true},
        {Hive::LocalMachine, "SOFTWARE\\Wow6432Node\\Clients\\Mail\\Only32", kKeyView32, true},
        {Hive::LocalMachine, "SOFTWARE\\Clients\\Mail\\Only64", kKeyView64, true},
        {Hive::LocalMachine, "SOFTWARE\\Clients\\Mail\\Only64", 0, true},
        {Hive::LocalMachine, "SOFTWARE\\Clients\\Mail\\Only64", kKeyView32, false},
        {Hive::CurrentUser, "Software\\Shared", kKeyView64, true},
        {Hive::CurrentUser, "Software\\Shared", 0, true},
    };
    for (const auto& c : cases) {
        RegKey key;
        EXPECT_EQ(key.open(c.hive, c.path, platform::kKeyRead | c.view),
                  c.found ? platform::kSuccess : platform::kErrorFileNotFound)
            << c.path << " view " << c.view;
    }
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

TEST(FilesConformance, AReadingProgramLetsOthersReadButNotReplace) {
    platform::testing::TempFolder temp;
    const std::string target = temp.path() + "\\account.oeaccount";
    const std::string sibling = target + ".tmp";
    ASSERT_EQ(platform::writeNewFile(target, "kept"), platform::kSuccess);
    ASSERT_EQ(platform::writeNewFile(sibling, "new"), platform::kSuccess);
    {
        platform::testing::ReadingFileLock lock(target);
        ASSERT_TRUE(lock.locked());
        std::string bytes;
        EXPECT_EQ(platform::readWholeFile(target, bytes), platform::kSuccess);
        EXPECT_EQ(bytes, "kept");
        EXPECT_EQ(platform::replaceFile(sibling, target), platform::kErrorAccessDenied);
        EXPECT_EQ(platform::deleteFile(target), 32) << "sharing violation";
    }
    EXPECT_EQ(readFile(target), "kept");
    EXPECT_EQ(platform::replaceFile(sibling, target), platform::kSuccess);
}

TEST(FilesConformance, AReadCanRefuseALargeFile) {
    platform::testing::TempFolder temp;
    const std::string path = temp.path() + "\\big";
    ASSERT_EQ(platform::writeNewFile(path, "12345"), platform::kSuccess);
    std::string bytes = "untouched";
    EXPECT_EQ(platform::readWholeFile(path, bytes, 4), platform::kErrorFileTooLarge);
    EXPECT_EQ(bytes, "untouched");
    EXPECT_EQ(platform::readWholeFile(path, bytes, 5), platform::kSuccess);
    EXPECT_EQ(bytes, "12345");
    // A folder is not read as a file.
    EXPECT_EQ(platform::readWholeFile(temp.path(), bytes, 5), platform::kErrorAccessDenied);
}

TEST(FilesConformance, ASearchTellsHowItEnded) {
    platform::testing::TempFolder temp;
    std::vector<std::string> names{"stale"};
    EXPECT_EQ(platform::findFiles(temp.path() + "\\account*", names), platform::kErrorFileNotFound);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(platform::findFiles(temp.path() + "\\missing\\account*", names), platform::kErrorPathNotFound);
    ASSERT_EQ(platform::writeNewFile(temp.path() + "\\account{1}.oeaccount", "1"), platform::kSuccess);
    ASSERT_EQ(platform::createFolder(temp.path() + "\\Account folder"), platform::kSuccess);
    ASSERT_EQ(platform::writeNewFile(temp.path() + "\\other", "2"), platform::kSuccess);
    EXPECT_EQ(platform::findFiles(temp.path() + "\\account*", names), platform::kErrorNoMoreFiles);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()),
              (std::set<std::string>{"account{1}.oeaccount", "Account folder"}));
}

// Writing into a read-only file is refused by Windows but not by Wine when it
// runs as root, as the tests here do, so only the operations both refuse alike
// are compared.
TEST(FilesConformance, AReadOnlyFileIsReadButNeitherReplacedNorDeleted) {
    platform::testing::TempFolder temp;
    const std::string target = temp.path() + "\\Eudora.ini";
    const std::string sibling = temp.path() + "\\Eudora.tmp";
    struct Case {
        const char* what;
        std::function<platform::Status()> run;
    };
    const Case cases[] = {
        {"read", [&] {
             std::string bytes;
             return platform::readWholeFile(target, bytes) == platform::kSuccess && bytes == "kept"
                        ? platform::kSuccess
                        : platform::kErrorInvalidParameter;
         }},
        {"replace", [&] { return platform::replaceFile(sibling, target); }},
        {"delete", [&] { return platform::deleteFile(target); }},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(platform::writeNewFile(target, "kept"), platform::kSuccess);
        ASSERT_EQ(platform::writeNewFile(sibling, "new"), platform::kSuccess);
        platform::testing::setReadOnly(target, true);
        const platform::Status rc = c.run();
        platform::testing::setReadOnly(target, false);
        EXPECT_EQ(rc, std::string_view(c.what) == "read" ? platform::kSuccess : platform::kErrorAccessDenied)
            << c.what;
        EXPECT_EQ(readFile(target), "kept") << c.what;
    }
    EXPECT_EQ(platform::replaceFile(sibling, target), platform::kSuccess) << "once writable again";
    EXPECT_EQ(readFile(target), "new");
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

TEST(TextConformance, AnsiAndUtf16) {
    EXPECT_EQ(platform::ansiToUtf16(""), std::u16string());
    // 0x80 is the euro sign in code page 1252; 0x81, which it leaves
    // undefined, becomes the control character of that number, as Windows has it.
    EXPECT_EQ(platform::ansiToUtf16("Zo\xEB \x80 \x8C \x81 \xFF"), u"Zo\u00EB \u20AC \u0152 \u0081 \u00FF");
    EXPECT_EQ(platform::utf16ToAnsi(u"Zo\u00EB \u20AC \u0152 \u0081 \u00FF"), "Zo\xEB \x80 \x8C \x81 \xFF");
    EXPECT_EQ(platform::utf16ToAnsi(u""), "");
    // No "?" and no look-alike ("A" for U+0100): a failure.
    EXPECT_EQ(platform::utf16ToAnsi(u"\u4E2D"), std::nullopt);
    EXPECT_EQ(platform::utf16ToAnsi(u"\u0100"), std::nullopt);
    EXPECT_EQ(platform::utf16ToAnsi(std::u16string(1, char16_t(0xD800))), std::nullopt) << "a lone surrogate";
}

TEST(TextConformance, CaseIsIgnoredAsTheAnsiCodePageHasIt) {
    // Windows-1252's case pairs: the ASCII letters, 0xC0-0xDE with 0xE0-0xFE
    // (except the multiplication and division signs), and four in the 0x80 row.
    const auto partner = [](int byte) {
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7)) return byte + 0x20;
        if ((byte >= 'a' && byte <= 'z') || (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7)) return byte - 0x20;
        switch (byte) {
        case 0x8A: return 0x9A;
        case 0x9A: return 0x8A;
        case 0x8C: return 0x9C;
        case 0x9C: return 0x8C;
        case 0x8E: return 0x9E;
        case 0x9E: return 0x8E;
        case 0x9F: return 0xFF;
        case 0xFF: return 0x9F;
        default: return byte;
        }
    };
    int mismatches = 0;
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            const bool expected = a == b || partner(a) == b;
            const std::string x(1, static_cast<char>(a));
            const std::string y(1, static_cast<char>(b));
            if (platform::equalIgnoringCaseAnsi(x, y) != expected && ++mismatches <= 10) {
                ADD_FAILURE() << "bytes " << a << " and " << b << " should " << (expected ? "" : "not ") << "match";
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_TRUE(platform::equalIgnoringCaseAnsi("JOS\xC9@Example.COM", "jos\xE9@example.com"));
    EXPECT_TRUE(platform::equalIgnoringCaseAnsi("", ""));
    EXPECT_FALSE(platform::equalIgnoringCaseAnsi("stra\xDF" "e", "STRASSE")) << "no linguistic expansion";
    EXPECT_FALSE(platform::equalIgnoringCaseAnsi("ann@example.com", "ann@example.co"));
    EXPECT_FALSE(platform::equalIgnoringCaseAnsi(std::string("a\0b", 3), std::string("a\0c", 3)));
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
