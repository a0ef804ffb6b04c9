// End to end for Windows Mail: the real tidewell.exe under Wine, on a Windows
// Mail store seeded in the prefix (Store Root in the prefix's own registry,
// with %USERPROFILE% in it, and the account folder below the profile folder
// this process hands down). Files are compared byte for byte, the log with
// its time stamps masked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/testing.h"
#include "tests/support/test_env.h"
#include "tests/support/windows_mail_fixture.h"
#include "ui/resource.h"

namespace tw::test {
namespace {

using platform::Hive;
namespace ui = platform::testing;

constexpr const char* kWindowsMailKey = "Software\\Microsoft\\Windows Mail";
constexpr const char* kIamKey = "Software\\Microsoft\\IAM";
constexpr const char* kRegistration = "SOFTWARE\\Clients\\Mail\\Windows Mail";
constexpr const char* kStoreRoot = "%USERPROFILE%\\AppData\\Local\\Microsoft\\Windows Mail\\";

std::string programPath() {
    const auto folder = platform::environmentVariable("TIDEWELL_BIN");
    return folder.value_or(".") + "\\tidewell.exe";
}

// REGEDIT4's form of a REG_EXPAND_SZ value: its bytes and NUL in hex.
std::string expandSzData(std::string_view text) {
    std::string data = "hex(2):";
    char byte[4];
    for (char c : text) {
        std::snprintf(byte, sizeof byte, "%02x,", static_cast<unsigned char>(c));
        data += byte;
    }
    return data + "00";
}

class WindowsMailEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        clean();
        // Wine gives a child the APPDATA of this value; appData_ puts it back.
        seedText(Hive::CurrentUser, "Volatile Environment", "APPDATA", temp_.path());

        seed("[HKEY_LOCAL_MACHINE\\" + std::string(kRegistration) + "]\n\n[HKEY_CURRENT_USER\\" + kWindowsMailKey +
             "]\n\"Store Root\"=" + expandSzData(kStoreRoot) + "\n");
        std::string path = temp_.path();
        for (const char* part : {"AppData", "Local", "Microsoft", "Windows Mail", "Local Folders"}) {
            path += std::string("\\") + part;
            ASSERT_EQ(platform::createFolder(path), platform::kSuccess) << path;
        }
    }
    void TearDown() override {
        clean();
    }
    static void clean() {
        ui::deleteKeyTree(Hive::CurrentUser, kWindowsMailKey);
        ui::deleteKeyTree(Hive::CurrentUser, kIamKey);
        ui::deleteKeyTree(Hive::LocalMachine, kRegistration);
    }

    // Imports REGEDIT4 text with Wine's own regedit.
    void seed(const std::string& regText) {
        const std::string file = temp_.path() + "\\seed.reg";
        std::string crlf;
        for (char c : "REGEDIT4\n\n" + regText) {
            if (c == '\n') crlf += '\r';
            crlf += c;
        }
        ASSERT_EQ(platform::writeNewFile(file, crlf), platform::kSuccess);
        std::uint32_t status = 1;
        ASSERT_EQ(platform::runProcess("regedit.exe /S \"" + file + "\"", status), platform::kSuccess);
        ASSERT_EQ(status, 0u);
    }

    std::uint32_t tidewell(const std::string& arguments) {
        // Built by appending: GCC 12 warns falsely (-Wrestrict) about "\"" + string.
        std::string commandLine(1, '"');
        commandLine += programPath() + "\" " + arguments;
        return runWindowless(commandLine);
    }

    std::string accountFolder() const { return temp_.path() + "\\AppData\\Local\\Microsoft\\Windows Mail\\Local Folders"; }
    std::string pathOf(const std::string& name) const { return accountFolder() + "\\" + name; }
    void seedFile(const std::string& name, const std::string& bytes) {
        ASSERT_EQ(platform::writeNewFile(pathOf(name), bytes), platform::kSuccess);
    }
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
    std::string log() const { return maskTimes(crlfToLf(readFile(temp_.path() + "\\Tidewell.log"))); }
    // This run's part of the log: everything after what it held before.
    std::string logSince(const std::string& before) const { return log().substr(before.size()); }

    platform::testing::TempFolder temp_;
    // The profile folder that tidewell.exe inherits, and Store Root names.
    ScopedEnvironment profile_{"USERPROFILE", temp_.path()};
    SavedValue appData_{Hive::CurrentUser, "Volatile Environment", "APPDATA"};
};

TEST_F(WindowsMailEndToEnd, ANewAccountThenTheSameAgainThenAnUpdate) {
    EXPECT_EQ(tidewell("-n \"Ann Example\" -c 2 -a ann@example.com"), 0u);
    const auto files = entries();
    ASSERT_EQ(files.size(), 1u);
    const std::string name = files.front();
    EXPECT_TRUE(std::regex_match(name, std::regex("account\\{[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}\\}\\.oeaccount")))
        << name;
    const std::string bytes = readFile(pathOf(name));
    EXPECT_EQ(shownFile(bytes), newAccountText("ann@example.com", "Ann Example", true));
    EXPECT_EQ(bytes.substr(0, 8), std::string("\xFF\xFE\x3C\x00\x3F\x00\x78\x00", 8));
    const std::string end = utf16le(u"</MessageAccount>\r\n");
    EXPECT_EQ(bytes.substr(bytes.size() - std::min(bytes.size(), end.size())), end);
    EXPECT_EQ(defaultAccount(), "missing key") << "no -d";
    EXPECT_EQ(log(), "Tidewell - Quillmark Log\n"
                     "-------------------------------------------\n"
                     "\n"
                     "* Beginning Configuration (command line) at <time> *\n"
                     "\n"
                     "Searching for Mozilla Thunderbird ... not detected.\n"
                     "Searching for Qualcomm Eudora ... not detected.\n"
                     "Searching for Microsoft Outlook Express ... not detected.\n"
                     "Searching for Microsoft Windows Mail ... found.\n"
                     "Searching for Microsoft Outlook ... not detected.\n"
                     "\n"
                     "Detecting default email client ... done.\n"
                     "\n"
                     "User Entered Email Address: ann@example.com\n"
                     "User Entered Display Name: Ann Example\n"
                     "Make Account Default: No\n"
                     "Overwrite Existing Account: No\n"
                     "Client Selected to Configure: Microsoft Windows Mail\n"
                     "\n"
                     "Searching for existant ann@example.com account ... " +
                         accountFolder() +
                         "\\account*\n"
                         "not found. Creating new account.\n"
                         "\n"
                         "Starting Windows Mail configuration...\n"
                         "\n" +
                         settingsLogText("ann@example.com", "Ann Example", true) +
                         "Email Client Configuration Successful!\n"
                         "\n"
                         "* Configuration Complete at <time> *\n"
                         "\n");

    std::string before = log();
    EXPECT_EQ(tidewell("-n \"Ann Example\" -c 2 -a ann@example.com -d"), 5u);
    EXPECT_EQ(readFile(pathOf(name)), bytes);
    EXPECT_EQ(defaultAccount(), "missing key");
    EXPECT_NE(logSince(before).find("account*\n"
                                    " found. No changes will be made.\n"
                                    "Email Client Configuration failed with error code: 5\n"
                                    "Description: ERROR: Account was already found, no changes have been made.\n"
                                    "* Configuration Failed at <time> *\n"),
              std::string::npos)
        << logSince(before);

    before = log();
    EXPECT_EQ(tidewell("-n \"Ann New\" -c 2 -a ann@example.com -u -d"), 0u);
    EXPECT_EQ(entries(), files);
    EXPECT_EQ(shownFile(readFile(pathOf(name))), newAccountText("ann@example.com", "Ann New", true));
    EXPECT_EQ(defaultAccount(), "sz:" + name + "\\0");
    EXPECT_NE(logSince(before).find(" found. Reseting settings to defaults.\n\nStarting Windows Mail configuration...\n\n"
                                    " found existant at: " +
                                    pathOf(name) + "\n"),
              std::string::npos)
        << logSince(before);
}

TEST_F(WindowsMailEndToEnd, UpdatesImapAndPop3AccountFiles) {
    const std::string name = "account{2F0A8D6E-6B0D-4D3A-9F26-7C1B5E3A9D10}.oeaccount";
    seedFile(name, imapAccount());
    EXPECT_EQ(tidewell("-n \"Ann Example\" -c 2 -a ann@example.com -u"), 0u);
    EXPECT_EQ(shownFile(readFile(pathOf(name))), imapAccountUpdated());

    seedFile(name, popAccount());
    EXPECT_EQ(tidewell("-n \"Ann Example\" -c 2 -a ann@example.com -u"), 0u);
    EXPECT_EQ(shownFile(readFile(pathOf(name))), popAccountUpdated(true));
    EXPECT_EQ(entries(), std::vector<std::string>{name});
}

TEST_F(WindowsMailEndToEnd, AnElementOverTwoLinesIsReplacedWhole) {
    seedFile("account{1}.oeaccount", accountFileOf({
                                         u"<?xml version=\"1.0\" encoding=\"utf-16\" ?>",
                                         u"<MessageAccount>",
                                         u"    <SMTP_Display_Name type=\"SZ\">Ann",
                                         u"Old</SMTP_Display_Name>",
                                         u"    <Signature type=\"SZ\">Best",
                                         u"  regards</Signature>",
                                         u"    <SMTP_Email_Address type=\"SZ\">ann@example.com</SMTP_Email_Address>",
                                         u"</MessageAccount>",
                                     }));
    EXPECT_EQ(tidewell("-n \"Ann Example\" -c 2 -a ann@example.com -u"), 0u);
    const std::string shown = shownFile(readFile(pathOf("account{1}.oeaccount")));
    EXPECT_EQ(shown.substr(0, shown.find("    <Account_Name")),
              "<BOM><?xml version=\"1.0\" encoding=\"utf-16\" ?>\n"
              "<MessageAccount>\n"
              "    <SMTP_Display_Name type=\"SZ\">Ann Example</SMTP_Display_Name>\n"
              "    <Signature type=\"SZ\">Best\n"
              "    regards</Signature>\n"
              "    <SMTP_Email_Address type=\"SZ\">ann@example.com</SMTP_Email_Address>\n");
}

TEST_F(WindowsMailEndToEnd, LetterCaseTwoFilesAndTheDefaultAccountsName) {
    // Another letter case is another account: a second file.
    const std::string other = accountFileOf({u"<SMTP_Email_Address type=\"SZ\">Ann@Example.com</SMTP_Email_Address>"});
    seedFile("account{0}.oeaccount", other);
    auto before = entries();
    EXPECT_EQ(tidewell("-n \"Ann\" -c 2 -a ann@example.com -u"), 0u);
    const std::string first = newEntry(before);
    EXPECT_EQ(readFile(pathOf("account{0}.oeaccount")), other);

    // Two files for the address: the first the search returns is updated.
    const std::string copy = readFile(pathOf(first));
    seedFile("account{1}.oeaccount", copy);
    const auto order = platform::findFiles(accountFolder() + "\\account*");
    std::vector<std::string> ann;
    for (const auto& name : order) {
        if (name != "account{0}.oeaccount") ann.push_back(name);
    }
    ASSERT_EQ(ann.size(), 2u);
    EXPECT_EQ(tidewell("-n \"Ann Two\" -c 2 -a ann@example.com -u -d"), 0u);
    EXPECT_EQ(shownFile(readFile(pathOf(ann[0]))), newAccountText("ann@example.com", "Ann Two", true));
    EXPECT_EQ(readFile(pathOf(ann[1])), copy);
    EXPECT_EQ(defaultAccount(), "sz:" + ann[0] + "\\0");

    // A file whose name lacks "account{" is the default by its own name.
    seedFile("accountLegacy.oeaccount", accountFileOf({u"<SMTP_Email_Address type=\"SZ\">leg@example.com</SMTP_Email_Address>"}));
    EXPECT_EQ(tidewell("-n \"Leg\" -c 2 -a leg@example.com -u -d"), 0u);
    EXPECT_EQ(defaultAccount(), "sz:accountLegacy.oeaccount\\0");
}

TEST_F(WindowsMailEndToEnd, OddEntriesAreLeftAloneAndNeverMatch) {
    const std::string ann = accountFileOf({u"<SMTP_Email_Address type=\"SZ\">ann@example.com</SMTP_Email_Address>"});
    const std::vector<std::pair<std::string, std::string>> odd = {
        {"account{odd}.oeaccount", ann + "x"},
        {"account{no-bom}.oeaccount", ann.substr(2)},
        {"account{left}.oeaccount.tmp", ann},
    };
    for (const auto& [name, bytes] : odd) seedFile(name, bytes);
    ASSERT_EQ(platform::createFolder(pathOf("account{folder}.oeaccount")), platform::kSuccess);
    const auto before = entries();
    EXPECT_EQ(tidewell("-n \"Ann\" -c 2 -a ann@example.com -u"), 0u);
    EXPECT_EQ(shownFile(readFile(pathOf(newEntry(before)))), newAccountText("ann@example.com", "Ann", true));
    for (const auto& [name, bytes] : odd) EXPECT_EQ(readFile(pathOf(name)), bytes) << name;
}

TEST_F(WindowsMailEndToEnd, FailuresExitOneAndChangeNothing) {
    const std::string old = accountFileOf({u"<SMTP_Email_Address type=\"SZ\">ann@example.com</SMTP_Email_Address>"});
    const std::string path = pathOf("account{1}.oeaccount");
    seedFile("account{1}.oeaccount", old);
    const std::string failed = "Email Client Configuration failed with error code: 1\n"
                               "Description: ERROR: Unable to automatically configure\n"
                               "* Configuration Failed at <time> *\n";
    std::string before = log();
    {
        ui::ExclusiveFileLock lock(path);
        ASSERT_TRUE(lock.locked());
        EXPECT_EQ(tidewell("-n \"Ann\" -c 2 -a ann@example.com -u"), 1u);
        EXPECT_NE(logSince(before).find("Unable to read " + path + " (error 32). No changes have been made.\n" + failed),
                  std::string::npos)
            << logSince(before);
    }
    before = log();
    {
        ui::ReadingFileLock lock(path);
        ASSERT_TRUE(lock.locked());
        EXPECT_EQ(tidewell("-n \"Ann\" -c 2 -a ann@example.com -u"), 1u);
        EXPECT_NE(logSince(before).find("Unable to replace " + path + " with " + path +
                                        ".tmp (error 5). No changes have been made.\n" + failed),
                  std::string::npos)
            << logSince(before);
    }
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(entries(), std::vector<std::string>{"account{1}.oeaccount"}) << "no temporary file is left";

    // A default that cannot be set keeps the old one, and the account file
    // is not written either: the two change together or not at all.
    seed("[HKEY_CURRENT_USER\\Software\\Microsoft\\IAM]\n\"Default Mail Account\"=\"account{9}.oeaccount\"\n");
    before = log();
    {
        ui::WriteProtectedKey protectedKey(Hive::CurrentUser, kIamKey);
        ASSERT_TRUE(protectedKey.active());
        EXPECT_EQ(tidewell("-n \"Bob\" -c 2 -a bob@example.com -d"), 1u);
        EXPECT_EQ(tidewell("-n \"Ann\" -c 2 -a ann@example.com -u -d"), 1u);
    }
    EXPECT_EQ(defaultAccount(), "sz:account{9}.oeaccount\\0");
    EXPECT_EQ(entries(), std::vector<std::string>{"account{1}.oeaccount"}) << "no new file, no temporary file";
    EXPECT_EQ(readFile(path), old);
    EXPECT_NE(logSince(before).find("RegCreateKeyEx failed on HKEY_CURRENT_USER\\Software\\Microsoft\\IAM (error 5)\n"
                                    "The registry was put back as it was before this run.\n"
                                    "The account file was left as it was.\n" +
                                    failed),
              std::string::npos)
        << logSince(before);

    // No account folder where Store Root points.
    seed("[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Mail]\n\"Store Root\"=\"C:\\\\Nowhere\\\\\"\n");
    before = log();
    EXPECT_EQ(tidewell("-n \"Ann\" -c 2 -a carl@example.com"), 1u);
    EXPECT_NE(logSince(before).find("Windows Mail's account folder C:\\Nowhere\\Local Folders does not exist. No "
                                    "changes have been made.\n" +
                                    failed),
              std::string::npos)
        << logSince(before);
}

TEST_F(WindowsMailEndToEnd, TheDialogConfiguresWindowsMailWithoutSsl) {
    ui::ChildProcess program;
    std::string quoted(1, '"');
    quoted += programPath() + "\"";
    ASSERT_EQ(program.start(programPath(), quoted), platform::kSuccess);
    platform::DialogWindow dialog = ui::findWindow("Quillmark", 30000);
    ASSERT_TRUE(dialog) << "no dialog window";
    ASSERT_TRUE(dialog.itemEnabled(IDC_WINDOWS_MAIL)) << "Windows Mail is installed, so it can be chosen";
    EXPECT_FALSE(dialog.itemEnabled(IDC_OUTLOOK_EXPRESS));
    ui::click(dialog, IDC_WINDOWS_MAIL);
    ui::click(dialog, IDC_USE_SSL);
    ASSERT_FALSE(dialog.itemChecked(IDC_USE_SSL));
    ui::typeText(dialog, IDC_DISPLAY_NAME, "Ann Example");
    ui::typeText(dialog, IDC_ADDRESS, "ann@example.com");
    ASSERT_TRUE(dialog.itemEnabled(IDC_CONFIGURE));

    ui::click(dialog, IDC_CONFIGURE);

    EXPECT_EQ(dialog.itemText(IDC_INTRO),
              "Congratulations! Microsoft Windows Mail has been successfully configured for your mail settings.");
    ui::click(dialog, IDC_LAUNCH);  // nothing to start here
    ui::click(dialog, platform::kIdCancel);
    ASSERT_TRUE(program.waitForExit(10000));
    EXPECT_EQ(program.exitCode(), 0u);
    const auto files = entries();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(shownFile(readFile(pathOf(files.front()))), newAccountText("ann@example.com", "Ann Example", false));
    EXPECT_NE(log().find("Client Selected to Configure: Microsoft Windows Mail\n\n"), std::string::npos) << log();
}

}  // namespace
}  // namespace tw::test
