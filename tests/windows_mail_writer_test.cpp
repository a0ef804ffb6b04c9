// The Windows Mail writer on a store folder under the test's folder: the
// search, the three courses, the default account, the log, and failures that
// must leave every file as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "clients/outlook_express_winmail/windows_mail_account_file.h"
#include "clients/outlook_express_winmail/windows_mail_writer.h"
#include "platform/files.h"
#include "platform/testing.h"
#include "tests/support/test_env.h"
#include "tests/support/windows_mail_fixture.h"

namespace tw::test {
namespace {

using platform::Hive;

constexpr const char* kWindowsMailKey = "Software\\Microsoft\\Windows Mail";
constexpr const char* kIamKey = "Software\\Microsoft\\IAM";

struct Flags {
    bool makeDefault = false;
    bool overwriteExisting = false;
    bool useSsl = true;
};

// A file as this tool writes it, for any address and name.
std::string accountFileFor(const std::string& address, const std::string& name, bool useSsl = true) {
    return windows_mail::newAccountFile(
        {*windows_mail::elementText(address), *windows_mail::elementText(name), useSsl});
}

class WindowsMailWriterTest : public TidewellTest {
protected:
    WindowsMailWriterTest() {
        // As Windows Mail sets it up, with the profile folder as a variable.
        seedText(Hive::CurrentUser, kWindowsMailKey, "Store Root", "%USERPROFILE%\\Windows Mail\\");
        platform::createFolder(folder() + "\\Windows Mail");
        platform::createFolder(accountFolder());
    }

    std::string accountFolder() const { return folder() + "\\Windows Mail\\Local Folders"; }
    std::string pathOf(const std::string& name) const { return accountFolder() + "\\" + name; }
    std::string pattern() const { return accountFolder() + "\\account*"; }

    ConfigOutcome configure(const std::string& address, const std::string& name, Flags flags = {}) {
        SessionLog log;
        EXPECT_TRUE(log.open(logFile()));
        WindowsMailWriter writer(address, name, flags.makeDefault, flags.overwriteExisting, flags.useSsl, log);
        return writer.configure();
    }

    void seedFile(const std::string& name, const std::string& bytes) {
        ASSERT_EQ(platform::writeNewFile(pathOf(name), bytes), platform::kSuccess);
    }

    // Every entry of the account folder, sorted.
    std::vector<std::string> entries() const {
        auto names = platform::findFiles(accountFolder() + "\\*");
        std::sort(names.begin(), names.end());
        return names;
    }

    // The one entry that is not among the given ones.
    std::string newEntry(const std::vector<std::string>& before) const {
        std::vector<std::string> added;
        for (const auto& name : entries()) {
            if (std::find(before.begin(), before.end(), name) == before.end()) added.push_back(name);
        }
        EXPECT_EQ(added.size(), 1u);
        return added.empty() ? std::string() : added.front();
    }

    std::string defaultAccount() const { return describeValue(Hive::CurrentUser, kIamKey, "Default Mail Account"); }

    ScopedEnvironment profile_{"USERPROFILE", folder()};
};

TEST_F(WindowsMailWriterTest, ANewAccountFileWithAndWithoutSsl) {
    for (bool useSsl : {true, false}) {
        SCOPED_TRACE(useSsl ? "SSL" : "no SSL");
        const auto before = entries();
        ASSERT_EQ(configure("ann" + std::to_string(useSsl) + "@example.com", "Ann Example", {.useSsl = useSsl}),
                  OutcomeConfigured);
        const std::string name = newEntry(before);
        EXPECT_TRUE(std::regex_match(name, std::regex("account\\{[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}\\}\\.oeaccount")))
            << name;
        EXPECT_EQ(shownFile(readFile(pathOf(name))),
                  newAccountText("ann" + std::to_string(useSsl) + "@example.com", "Ann Example", useSsl));
    }
    EXPECT_EQ(entries().size(), 2u) << "no temporary file is left";
    EXPECT_EQ(defaultAccount(), "missing key") << "the default is set only on request";
    const std::string log = logText();
    EXPECT_NE(log.find("Searching for existant ann0@example.com account ... " + pattern() +
                       "\n"
                       "not found. Creating new account.\n"
                       "\n"
                       "Starting Windows Mail configuration...\n"
                       "\n" +
                       settingsLogText("ann0@example.com", "Ann Example", false)),
              std::string::npos)
        << log;
}

TEST_F(WindowsMailWriterTest, AnExistingAccountIsLeftAloneWithoutOverwrite) {
    const std::string old = accountFileFor("ann@example.com", "Ann Old", false);
    seedFile("account{1}.oeaccount", old);
    EXPECT_EQ(configure("ann@example.com", "Ann", {.makeDefault = true}), OutcomeAccountExists);
    EXPECT_EQ(readFile(pathOf("account{1}.oeaccount")), old);
    EXPECT_EQ(entries(), std::vector<std::string>{"account{1}.oeaccount"});
    EXPECT_EQ(defaultAccount(), "missing key");
    EXPECT_EQ(logText(), "Searching for existant ann@example.com account ... " + pattern() +
                             "\n"
                             " found. No changes will be made.\n");
}

TEST_F(WindowsMailWriterTest, OverwriteUpdatesTheFoundFileInPlace) {
    // A file of this tool's own, updated, is a new file's bytes again.
    seedFile("account{1}.oeaccount", accountFileFor("ann@example.com", "Ann Old", false));
    EXPECT_EQ(configure("ann@example.com", "Ann Example", {.overwriteExisting = true}), OutcomeConfigured);
    EXPECT_EQ(shownFile(readFile(pathOf("account{1}.oeaccount"))), newAccountText("ann@example.com", "Ann Example", true));
    EXPECT_EQ(entries(), std::vector<std::string>{"account{1}.oeaccount"});
    EXPECT_EQ(logText(), "Searching for existant ann@example.com account ... " + pattern() +
                             "\n"
                             " found. Reseting settings to defaults.\n"
                             "\n"
                             "Starting Windows Mail configuration...\n"
                             "\n"
                             " found existant at: " +
                             pathOf("account{1}.oeaccount") + "\n" +
                             settingsLogText("ann@example.com", "Ann Example", true));
}

TEST_F(WindowsMailWriterTest, TheDefaultAccountIsTheWrittenFilesName) {
    struct Case {
        const char* what;
        const char* existing;  // an account file for the address, or none
        Flags flags;
        const char* expected;  // nullptr: the new file's name
    };
    const Case cases[] = {
        {"a new file", nullptr, {.makeDefault = true}, nullptr},
        {"an updated file", "account{2}.oeaccount", {.makeDefault = true, .overwriteExisting = true},
         "account{2}.oeaccount"},
        {"a name without account{", "accountLegacy.oeaccount", {.makeDefault = true, .overwriteExisting = true},
         "accountLegacy.oeaccount"},
        {"no -d", nullptr, {}, "account{9}.oeaccount"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& name : entries()) platform::deleteFile(pathOf(name));
        seedText(Hive::CurrentUser, kIamKey, "Default Mail Account", "account{9}.oeaccount");
        if (c.existing) seedFile(c.existing, accountFileFor("ann@example.com", "Ann"));
        const auto before = entries();
        ASSERT_EQ(configure("ann@example.com", "Ann", c.flags), OutcomeConfigured);
        const std::string expected = c.expected ? c.expected : newEntry(before);
        EXPECT_EQ(defaultAccount(), "sz:" + expected + "\\0");
    }
}

TEST_F(WindowsMailWriterTest, AnAddressInAnotherLetterCaseIsAnotherAccount) {
    const std::string other = accountFileFor("Ann@Example.com", "Ann");
    seedFile("account{1}.oeaccount", other);
    EXPECT_EQ(configure("ann@example.com", "Ann", {.overwriteExisting = true}), OutcomeConfigured);
    EXPECT_EQ(entries().size(), 2u);
    EXPECT_EQ(readFile(pathOf("account{1}.oeaccount")), other);
    EXPECT_NE(logText().find("not found. Creating new account."), std::string::npos);
}

TEST_F(WindowsMailWriterTest, OfTwoFilesForOneAddressTheFirstFoundIsUpdated) {
    const std::string old = accountFileFor("ann@example.com", "Ann Old", false);
    seedFile("account{a}.oeaccount", old);
    seedFile("account{b}.oeaccount", old);
    const auto order = platform::findFiles(pattern());
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(configure("ann@example.com", "Ann Example", {.makeDefault = true, .overwriteExisting = true}),
              OutcomeConfigured);
    EXPECT_EQ(shownFile(readFile(pathOf(order[0]))), newAccountText("ann@example.com", "Ann Example", true));
    EXPECT_EQ(readFile(pathOf(order[1])), old);
    EXPECT_EQ(defaultAccount(), "sz:" + order[0] + "\\0");
}

TEST_F(WindowsMailWriterTest, OddEntriesAreNeverThisAddress) {
    const std::string ann = accountFileFor("ann@example.com", "Ann");
    std::string bigger = ann;
    while (bigger.size() <= (1u << 20)) bigger += utf16le(u"    <Padding type=\"SZ\">x</Padding>\r\n");
    const std::vector<std::pair<std::string, std::string>> odd = {
        {"account{odd}.oeaccount", ann + "x"},
        {"account{no-bom}.oeaccount", ann.substr(2)},
        {"account{cut}.oeaccount", ann.substr(0, ann.size() - 90)},
        {"account{8-bit}.oeaccount", "<SMTP_Email_Address type=\"SZ\">ann@example.com</SMTP_Email_Address>\r\n"},
        {"account{binary}.oeaccount", std::string("\xFF\xFE\x00\xD8\x00\x00\xFF", 7)},
        {"account{empty}.oeaccount", ""},
        // Far larger than any account file: not read at all.
        {"account{huge}.oeaccount", bigger},
        // What an interrupted run may leave behind is not an account either.
        {"account{left}.oeaccount.tmp", ann},
    };
    for (const auto& [name, bytes] : odd) seedFile(name, bytes);
    ASSERT_EQ(platform::createFolder(pathOf("account{folder}.oeaccount")), platform::kSuccess);
    const auto before = entries();

    EXPECT_EQ(configure("ann@example.com", "Ann", {.overwriteExisting = true}), OutcomeConfigured);
    const std::string added = newEntry(before);
    EXPECT_EQ(readFile(pathOf(added)), ann);
    for (const auto& [name, bytes] : odd) EXPECT_EQ(readFile(pathOf(name)), bytes) << name;
}

TEST_F(WindowsMailWriterTest, XmlSpecialCharactersAreEscapedAndFoundAgain) {
    const auto before = entries();
    ASSERT_EQ(configure("a&b@example.com", "Tom & Jerry <TJ> \x80", {}), OutcomeConfigured);
    const std::string shown = shownFile(readFile(pathOf(newEntry(before))));
    EXPECT_NE(shown.find("<SMTP_Display_Name type=\"SZ\">Tom &amp; Jerry &lt;TJ&gt; <U+20AC></SMTP_Display_Name>"),
              std::string::npos)
        << shown;
    EXPECT_NE(shown.find("<SMTP_Email_Address type=\"SZ\">a&amp;b@example.com</SMTP_Email_Address>"),
              std::string::npos);
    EXPECT_EQ(configure("a&b@example.com", "Tom", {}), OutcomeAccountExists);
    // The log keeps the program's own text.
    EXPECT_NE(logText().find("SMTP Display Name: Tom & Jerry <TJ> \x80\n"), std::string::npos);
}

TEST_F(WindowsMailWriterTest, TextAnAccountFileCannotHoldStopsTheRun) {
    EXPECT_EQ(configure("ann@example.com", "Ann\x01", {}), OutcomeCannotConfigure);
    EXPECT_TRUE(entries().empty());
    EXPECT_EQ(logText(),
              "Unable to write the display name in an account file: it holds a control character or a byte that "
              "is not a character of the system's code page. No changes have been made.\n");
}

TEST_F(WindowsMailWriterTest, WithoutAnAccountFolderNothingIsSearchedOrWritten) {
    const std::string key = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Mail";
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::string logLine;
    };
    const Case cases[] = {
        {"no Windows Mail key",
         [] { platform::testing::deleteKeyTree(Hive::CurrentUser, kWindowsMailKey); },
         "Unable to open " + key + " (error 2): Windows Mail has no store. No changes have been made."},
        {"no Store Root",
         [] { seedText(Hive::CurrentUser, kWindowsMailKey, "Other", "x"); },
         "Unable to read Store Root of " + key + " (error 2): Windows Mail's store folder is unknown. No changes "
                                                  "have been made."},
        {"an empty Store Root",
         [] { seedText(Hive::CurrentUser, kWindowsMailKey, "Store Root", ""); },
         "Unable to read Store Root of " + key + " (empty): Windows Mail's store folder is unknown. No changes "
                                                  "have been made."},
        {"a number for Store Root",
         [] { seedDword(Hive::CurrentUser, kWindowsMailKey, "Store Root", 1); },
         "Unable to read Store Root of " + key + " (error 87): Windows Mail's store folder is unknown. No "
                                                  "changes have been made."},
        {"a missing folder",
         [this] { seedText(Hive::CurrentUser, kWindowsMailKey, "Store Root", folder() + "\\Gone"); },
         "Windows Mail's account folder " + folder() + "\\Gone\\Local Folders does not exist. No changes have "
                                                      "been made."},
        {"a file where the folder belongs",
         [this] {
             seedText(Hive::CurrentUser, kWindowsMailKey, "Store Root", folder() + "\\");
             ASSERT_EQ(platform::writeNewFile(folder() + "\\Local Folders", "not a folder"), platform::kSuccess);
         },
         "Windows Mail's account folder " + folder() + "\\Local Folders does not exist. No changes have been made."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        platform::testing::deleteKeyTree(Hive::CurrentUser, kWindowsMailKey);
        seedKey(Hive::CurrentUser, kWindowsMailKey);
        platform::deleteFile(logFile());
        c.arrange();
        EXPECT_EQ(configure("ann@example.com", "Ann", {.makeDefault = true}), OutcomeCannotConfigure);
        EXPECT_EQ(logText(), c.logLine + "\n");
        EXPECT_TRUE(entries().empty());
        EXPECT_EQ(defaultAccount(), "missing key");
    }
}

TEST_F(WindowsMailWriterTest, UnsetUserProfileLeavesThePlaceholderAndStops) {
    ScopedEnvironment noProfile("USERPROFILE", std::nullopt);
    EXPECT_EQ(configure("ann@example.com", "Ann", {}), OutcomeCannotConfigure);
    EXPECT_EQ(logText(), "Windows Mail's account folder %USERPROFILE%\\Windows Mail\\Local Folders does not exist. "
                         "No changes have been made.\n");
}

TEST_F(WindowsMailWriterTest, AStoreRootWithoutTrailingBackslashStillNamesItsFolder) {
    seedText(Hive::CurrentUser, kWindowsMailKey, "Store Root", "%USERPROFILE%\\Windows Mail");
    const auto before = entries();
    EXPECT_EQ(configure("ann@example.com", "Ann", {}), OutcomeConfigured);
    newEntry(before);
}

TEST_F(WindowsMailWriterTest, FailuresLeaveEveryFileAsItWas) {
    const std::string old = accountFileFor("ann@example.com", "Ann Old", false);
    const std::string path = pathOf("account{1}.oeaccount");
    seedFile("account{1}.oeaccount", old);
    const std::string denied = std::to_string(platform::kErrorAccessDenied);
    {
        // Held without sharing: it cannot be read, so whether it is this
        // address's account is unknown, and no second account is made.
        platform::testing::ExclusiveFileLock lock(path);
        ASSERT_TRUE(lock.locked());
        EXPECT_EQ(configure("ann@example.com", "Ann", {.overwriteExisting = true}), OutcomeCannotConfigure);
        EXPECT_NE(logText().find("Unable to read " + path + " (error 32). No changes have been made.\n"),
                  std::string::npos)
            << logText();
    }
    {
        // Open in a program that reads it: the new copy cannot replace it.
        platform::testing::ReadingFileLock lock(path);
        ASSERT_TRUE(lock.locked());
        EXPECT_EQ(configure("ann@example.com", "Ann", {.overwriteExisting = true}), OutcomeCannotConfigure);
        EXPECT_NE(logText().find("Unable to replace " + path + " with " + path + ".tmp (error " + denied +
                                 "). No changes have been made.\n"),
                  std::string::npos)
            << logText();
    }
    // A folder in the temporary file's place: the copy cannot be written.
    ASSERT_EQ(platform::createFolder(path + ".tmp"), platform::kSuccess);
    EXPECT_EQ(configure("ann@example.com", "Ann", {.overwriteExisting = true}), OutcomeCannotConfigure);
    EXPECT_NE(logText().find("Unable to write " + path + ".tmp (error " + denied + "). No changes have been made.\n"),
              std::string::npos)
        << logText();

    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(entries(), (std::vector<std::string>{"account{1}.oeaccount", "account{1}.oeaccount.tmp"}));
    EXPECT_TRUE(platform::folderExists(path + ".tmp"));
    EXPECT_EQ(logText().find("The following settings"), std::string::npos);
}

// The account file and the default change together: a default that cannot be
// set leaves no new file, and an updated file keeps its old bytes.
TEST_F(WindowsMailWriterTest, ADefaultThatCannotBeSetIsAFailureThatChangesNothing) {
    seedText(Hive::CurrentUser, kIamKey, "Default Mail Account", "account{9}.oeaccount");
    seedFile("account{1}.oeaccount", imapAccount());
    platform::testing::ReadOnlyKey readOnly(Hive::CurrentUser, kIamKey);
    ASSERT_TRUE(readOnly.applied());
    const auto before = entries();
    const std::pair<const char*, Flags> runs[] = {{"new@example.com", {.makeDefault = true}},
                                                  {"ann@example.com", {.makeDefault = true, .overwriteExisting = true}}};
    for (const auto& [address, flags] : runs) {
        EXPECT_EQ(configure(address, "Ann", flags), OutcomeCannotConfigure) << address;
        EXPECT_EQ(entries(), before) << "no new file, no temporary file";
        EXPECT_EQ(readFile(pathOf("account{1}.oeaccount")), imapAccount());
        EXPECT_EQ(defaultAccount(), "sz:account{9}.oeaccount\\0");
    }
    EXPECT_NE(logText().find("RegCreateKeyEx failed on HKEY_CURRENT_USER\\Software\\Microsoft\\IAM (error 5)\n"
                             "The registry was put back as it was before this run.\n"
                             "The account file was left as it was.\n"),
              std::string::npos)
        << logText();
    EXPECT_EQ(logText().find("The following settings"), std::string::npos);
}

}  // namespace
}  // namespace tw::test
