// End to end: the real tidewell.exe under Wine, in the prefix's own registry.
// Each test seeds the registry with regedit, runs a command line exactly as
// given (through CreateProcess, so quoting is ours), then compares what
// "reg export" shows and the session log, time stamps masked, with expected text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/testing.h"
#include "tests/support/test_env.h"

namespace tw::test {
namespace {

using platform::Hive;

std::string programFolder() {
    // The tests and tidewell.exe are built into the same folder.
    const auto path = platform::environmentVariable("TIDEWELL_BIN");
    return path.value_or(".");
}

// UTF-16LE text (as reg export writes it) to 8-bit, for ASCII content.
std::string narrowUtf16(const std::string& bytes) {
    std::string text;
    std::size_t i = bytes.size() >= 2 && bytes[0] == '\xff' && bytes[1] == '\xfe' ? 2 : 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const unsigned code = static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8;
        text += code < 0x100 ? static_cast<char>(code) : '?';
    }
    return text;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        clean();
        // Wine gives a child the APPDATA of this value; appData_ puts it back.
        seedText(Hive::CurrentUser, "Volatile Environment", "APPDATA", temp_.path());
    }
    void TearDown() override {
        for (auto id : started_) platform::testing::stopProcess(id);
        clean();
    }
    static void clean() {
        platform::testing::deleteKeyTree(Hive::CurrentUser, "Software\\Microsoft\\Internet Account Manager");
        // Only the five clients' registrations: Wine's own mail client entry stays.
        // Both registry views: SOFTWARE\Wow6432Node holds the 32-bit one.
        for (const char* client : {"Outlook Express", "Microsoft Outlook", "Windows Mail", "Eudora",
                                   "Mozilla Thunderbird"}) {
            platform::testing::deleteKeyTree(Hive::LocalMachine, std::string("SOFTWARE\\Clients\\Mail\\") + client);
            platform::testing::deleteKeyTree(Hive::LocalMachine,
                                             std::string("SOFTWARE\\Wow6432Node\\Clients\\Mail\\") + client);
        }
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

    void seedOutlookExpress() {
        seed("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Clients\\Mail\\Outlook Express]\n\n"
             "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager\\Accounts]\n");
    }

    std::uint32_t tidewell(const std::string& arguments) {
        std::string commandLine = "\"";
        commandLine += programFolder() + "\\tidewell.exe\" " + arguments;
        return runWindowless(commandLine);
    }

    // What "reg export" shows of a key, without its header line.
    std::string exported(const std::string& key) {
        const std::string file = temp_.path() + "\\export.reg";
        platform::deleteFile(file);
        std::uint32_t status = 1;
        EXPECT_EQ(platform::runProcess("reg.exe export \"" + key + "\" \"" + file + "\" /y", status),
                  platform::kSuccess);
        if (status != 0) return "(no such key)";
        std::string text = crlfToLf(narrowUtf16(readFile(file)));
        const auto header = text.find("\n\n");
        return header == std::string::npos ? text : text.substr(header + 2);
    }

    std::string log() const { return maskTimes(crlfToLf(readFile(temp_.path() + "\\Tidewell.log"))); }

    std::uint32_t startClient(const std::string& image) {
        started_.push_back(platform::testing::startStandInProcess(image, temp_.path()));
        return started_.back();
    }

    platform::testing::TempFolder temp_;
    SavedValue appData_{Hive::CurrentUser, "Volatile Environment", "APPDATA"};
    std::vector<std::uint32_t> started_;
};

const std::string kAccountsKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager";

std::string accountExport(const std::string& key, const std::string& accountName, const std::string& address,
                          const std::string& display, bool ssl) {
    return "[" + kAccountsKey + "\\Accounts\\" + key + "]\n" +
           "\"Account Name\"=\"" + accountName + "\"\n" +
           "\"Connection Type\"=dword:00000003\n"
           "\"IMAP Dirty\"=dword:00000000\n"
           "\"IMAP Poll All Folders\"=dword:00000001\n"
           "\"IMAP Polling\"=dword:00000001\n" +
           (ssl ? "\"IMAP Port\"=dword:000003e1\n" : "\"IMAP Port\"=dword:0000008f\n") +
           "\"IMAP Prompt for Password\"=dword:00000001\n"
           "\"IMAP Root Folder\"=\"INBOX.\"\n" +
           (ssl ? "\"IMAP Secure Connection\"=dword:00000001\n" : "\"IMAP Secure Connection\"=dword:00000000\n") +
           (ssl ? "\"IMAP Server\"=\"mail.quillmark.example\"\n" : "\"IMAP Server\"=\"imap.quillmark.example\"\n") +
           "\"IMAP Timeout\"=dword:0000003c\n"
           "\"IMAP User Name\"=\"" + address + "\"\n" +
           "\"SMTP Display Name\"=\"" + display + "\"\n" +
           "\"SMTP Email Address\"=\"" + address + "\"\n" +
           (ssl ? "\"SMTP Port\"=dword:000001d1\n" : "\"SMTP Port\"=dword:0000024b\n") +
           "\"SMTP Prompt for Password\"=dword:00000001\n" +
           (ssl ? "\"SMTP Secure Connection\"=dword:00000001\n" : "\"SMTP Secure Connection\"=dword:00000000\n") +
           (ssl ? "\"SMTP Server\"=\"mail.quillmark.example\"\n" : "\"SMTP Server\"=\"smtp.quillmark.example\"\n") +
           "\"SMTP Split Messages\"=dword:00000000\n"
           "\"SMTP Timeout\"=dword:0000003c\n"
           "\"SMTP Use Sicily\"=dword:00000002\n"
           "\"SMTP User Name\"=\"" + address + "\"\n\n";
}

TEST_F(EndToEnd, FirstAccountBecomesTheDefault) {
    seedOutlookExpress();
    EXPECT_EQ(tidewell("-n \"Ann Example\" -c 0 -a ann@example.com"), 0u);
    EXPECT_EQ(exported(kAccountsKey),
              "[" + kAccountsKey + "]\n\"Default Mail Account\"=\"ann@example.com\"\n\n[" + kAccountsKey +
                  "\\Accounts]\n\n" + accountExport("ann@example.com", "ann@example.com", "ann@example.com", "Ann Example", true));
    const std::string expectedLog =
        "Tidewell - Quillmark Log\n"
        "-------------------------------------------\n"
        "\n"
        "* Beginning Configuration (command line) at <time> *\n"
        "\n"
        "Searching for Mozilla Thunderbird ... not detected.\n"
        "Searching for Qualcomm Eudora ... not detected.\n"
        "Searching for Microsoft Outlook Express ... found.\n"
        "Searching for Microsoft Windows Mail ... not detected.\n"
        "Searching for Microsoft Outlook ... not detected.\n"
        "\n"
        "Detecting default email client ... done.\n"
        "\n"
        "User Entered Email Address: ann@example.com\n"
        "User Entered Display Name: Ann Example\n"
        "Make Account Default: No\n"
        "Overwrite Existing Account: No\n"
        "Client Selected to Configure: Microsoft Outlook Express\n"
        "\n"
        "Starting Outlook Express configuration...\n"
        "\n"
        "Searching for existing ann@example.com account ... \n"
        "...not found. Creating new account.\n"
        "\n"
        "The following settings were written/overwritten in the system registry:\n"
        "\n"
        "Account Name: ann@example.com\n"
        "Connection Type: 3\n"
        "IMAP Port: 993\n"
        "IMAP Prompt for Password: 1\n"
        "IMAP Server: mail.quillmark.example\n"
        "IMAP Timeout: 60\n"
        "IMAP User Name: ann@example.com\n"
        "SMTP Display Name: Ann Example\n"
        "SMTP Email Address: ann@example.com\n"
        "SMTP Port: 465\n"
        "SMTP Prompt for Password: 1\n"
        "SMTP Secure Connection: 1\n"
        "SMTP Server: mail.quillmark.example\n"
        "SMTP Split Messages: 0\n"
        "SMTP Timeout: 60\n"
        "SMTP Use Sicily: 2\n"
        "SMTP User Name: ann@example.com\n"
        "\n"
        "Writing at RegKey: Software\\Microsoft\\Internet Account Manager\\Accounts\\ann@example.com\\\n"
        "Email Client Configuration Successful!\n"
        "\n"
        "* Configuration Complete at <time> *\n"
        "\n";
    EXPECT_EQ(log(), expectedLog);
}

// The prefix's own registry has both views, as 64-bit Windows does: 32-bit
// clients (Outlook 2003, Outlook Express here) registered in the 32-bit one, a
// 64-bit Thunderbird in the 64-bit one. tidewell.exe finds all three.
TEST_F(EndToEnd, ClientsAreFoundInEitherRegistryView) {
    seed("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Clients\\Mail\\Outlook Express]\n\n"
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Clients\\Mail\\Microsoft Outlook]\n"
         "\"MSIApplicationLCID\"=\"Software\\\\Microsoft\\\\Office\\\\11.0\\\\Outlook\"\n\n"
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Clients\\Mail\\Mozilla Thunderbird]\n\n"
         "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager\\Accounts]\n");
    EXPECT_EQ(tidewell("-n \"Ann\" -c 0 -a ann@example.com"), 0u);
    EXPECT_NE(log().find("Searching for Mozilla Thunderbird ... found.\n"
                         "Searching for Qualcomm Eudora ... not detected.\n"
                         "Searching for Microsoft Outlook Express ... found.\n"
                         "Searching for Microsoft Windows Mail ... not detected.\n"
                         "Searching for Microsoft Outlook ... found. (Version 11)\n\n"),
              std::string::npos)
        << log();
}

TEST_F(EndToEnd, SecondAccountKeepsTheDefault) {
    seedOutlookExpress();
    seed("[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager]\n"
         "\"Default Mail Account\"=\"00000001\"\n\n"
         "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager\\Accounts\\00000001]\n"
         "\"SMTP Email Address\"=\"old@example.com\"\n");
    EXPECT_EQ(tidewell("-n \"Bob\" -c 0 -a bob@example.com"), 0u);
    EXPECT_EQ(exported(kAccountsKey),
              "[" + kAccountsKey + "]\n\"Default Mail Account\"=\"00000001\"\n\n[" + kAccountsKey +
                  "\\Accounts]\n\n[" + kAccountsKey + "\\Accounts\\00000001]\n" +
                  "\"SMTP Email Address\"=\"old@example.com\"\n\n" +
                  accountExport("bob@example.com", "bob@example.com", "bob@example.com", "Bob", true));
}

TEST_F(EndToEnd, AnExistingAccountNeedsU) {
    seedOutlookExpress();
    seed("[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager\\Accounts\\00000001]\n"
         "\"SMTP Email Address\"=\"ann@example.com\"\n"
         "\"IMAP Port\"=dword:0000008f\n");
    const std::string before = exported(kAccountsKey);
    EXPECT_EQ(tidewell("-n \"Ann\" -c 0 -a ann@example.com"), 5u);
    EXPECT_EQ(exported(kAccountsKey), before) << "nothing changed";
    EXPECT_NE(log().find("...found. No changes will be made.\n"
                         "Email Client Configuration failed with error code: 5\n"
                         "Description: ERROR: Account was already found, no changes have been made.\n"
                         "* Configuration Failed at <time> *\n"),
              std::string::npos)
        << log();

    EXPECT_EQ(tidewell("-n \"Ann\" -c 0 -a ann@example.com -u -d"), 0u);
    EXPECT_EQ(exported(kAccountsKey),
              "[" + kAccountsKey + "]\n\"Default Mail Account\"=\"00000001\"\n\n[" + kAccountsKey +
                  "\\Accounts]\n\n" + accountExport("00000001", "ann@example.com", "ann@example.com", "Ann", true));
}

TEST_F(EndToEnd, ARunningClientStopsTheRunUnlessAutoX) {
    seedOutlookExpress();
    seed("[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager]\n"
         "\"Default Mail Account\"=\"00000001\"\n\n"
         "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager\\Accounts\\00000001]\n"
         "\"SMTP Email Address\"=\"ann@example.com\"\n"
         "\"SMTP Display Name\"=\"Ann\"\n\n"
         "[HKEY_CLASSES_ROOT\\mailto\\shell\\open\\command]\n"
         "@=\"msimn.exe /mailurl:%1\"\n");
    const auto client = startClient("msimn.exe");
    const std::string before = exported(kAccountsKey);

    EXPECT_EQ(tidewell("-n \"Ann\" -c 0 -a new@example.com"), 11u);
    EXPECT_EQ(exported(kAccountsKey), before);
    EXPECT_NE(log().find("Running Email Client Detected. Closing.\n\n"
                         "* Configuration Incomplete. Terminated automatically at <time> *\n\n"),
              std::string::npos);
    EXPECT_FALSE(platform::testing::waitForProcessExit(client, 0));

    EXPECT_EQ(tidewell("-auto -p \"QM-\""), 11u) << "-auto without -x stops as well";
    EXPECT_EQ(tidewell("-auto -x -p \"QM-\""), 0u);
    EXPECT_TRUE(platform::testing::waitForProcessExit(client, 5000));
    EXPECT_NE(log().find("Running Email Client Detected: msimn.exe. Closed.\n"), std::string::npos);
    const std::string after = exported(kAccountsKey);
    EXPECT_NE(after.find("\"Account Name\"=\"QM-ann@example.com\""), std::string::npos) << after;
}

// SSL off is checked through the dialog of the real program
// (tidewell_exe_test.cpp): the command line always asks for SSL.
TEST_F(EndToEnd, NoClientRegisteredAndOutOfRange) {
    // No client registered: detection says so, the explicit run still writes.
    seed("[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager\\Accounts]\n");
    EXPECT_EQ(tidewell("-n \"Ann\" -c 0 -a ann@example.com"), 0u);
    EXPECT_NE(log().find("Searching for Microsoft Outlook Express ... not detected.\n"), std::string::npos);

    EXPECT_EQ(tidewell("-n \"Ann\" -c 5 -a ann@example.com"), 7u);
    EXPECT_NE(log().find("Overwrite Existing Account: No\n"
                         "Email Client Configuration failed with error code: -1\n"
                         "Description: \n"),
              std::string::npos);

    EXPECT_EQ(tidewell("-n \"Ann\" -a ann@example.com"), 64u) << "usage error";
}

// The store the hardening cases start from: Outlook Express is the default
// client, 00000001 is the default account, and a second account lives under a
// key named like an address that is not its own.
class HardeningEndToEnd : public EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        seedOutlookExpress();
        seed("[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager]\n"
             "\"Default Mail Account\"=\"00000001\"\n\n"
             "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager\\Accounts\\00000001]\n"
             "\"SMTP Email Address\"=\"bob@work.example\"\n"
             "\"SMTP Display Name\"=\"Bob\"\n\n"
             "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager\\Accounts\\ann@example.com]\n"
             "\"Account Name\"=\"Ann Private\"\n"
             "\"SMTP Email Address\"=\"ann@private.example\"\n"
             "\"SMTP Display Name\"=\"Ann Private\"\n"
             "\"POP3 Server\"=\"pop.private.example\"\n\n"
             "[HKEY_CLASSES_ROOT\\mailto\\shell\\open\\command]\n"
             "@=\"msimn.exe /mailurl:%1\"\n");
        before_ = exported(kAccountsKey);
    }
    bool logWritten() const { return platform::fileExists(temp_.path() + "\\Tidewell.log"); }

    std::string before_;
};

TEST_F(HardeningEndToEnd, TextsThatNameNoAccountAreUsageErrorsThatTouchNothing) {
    for (const char* arguments : {"-n \"Ann Example\" -c 0 -a ann@example.com\\",
                                  "-n \"Ann Example\" -c 0 -a \\ann@example.com", "-auto -p \"\\\"",
                                  "-n \"Ann Example\" -c 0 -a -d", "-n \"Ann Example\" -c 0 -a \"\" -d"}) {
        EXPECT_EQ(tidewell(arguments), 64u) << arguments;
        EXPECT_EQ(exported(kAccountsKey), before_) << arguments;
        EXPECT_FALSE(logWritten()) << arguments;
    }
}

TEST_F(HardeningEndToEnd, AKeyNameInAnotherCaseIsTheSameAccount) {
    // Outlook Express's own key for an address in capitals (code page 1252).
    seedText(Hive::CurrentUser, "Software\\Microsoft\\Internet Account Manager\\Accounts\\JOS\xC9@example.com",
             "SMTP Email Address", "JOS\xC9@example.com");
    const std::string before = exported(kAccountsKey);
    EXPECT_EQ(tidewell("-n \"Jose New\" -c 0 -a jos\xE9@example.com"), 5u);
    EXPECT_EQ(exported(kAccountsKey), before);

    EXPECT_EQ(tidewell("-n \"Jose New\" -c 0 -a jos\xE9@example.com -u -d"), 0u);
    const std::string after = exported(kAccountsKey);
    EXPECT_NE(after.find("\"Default Mail Account\"=\"JOS\xC9@example.com\"\n"), std::string::npos) << after;
    EXPECT_NE(after.find(accountExport("JOS\xC9@example.com", "jos\xE9@example.com", "jos\xE9@example.com", "Jose New",
                                       true)),
              std::string::npos)
        << after;
    EXPECT_EQ(after.find("Accounts\\jos\xE9@example.com]"), std::string::npos) << "no second key";
}

TEST_F(HardeningEndToEnd, AKeyOrValueThatCannotBeWrittenIsAFailureThatChangesNothing) {
    const std::string longAddress = std::string(300, 'a') + "@example.com";
    EXPECT_EQ(tidewell("-n \"Ann\" -c 0 -a " + longAddress + " -d"), 1u);
    EXPECT_EQ(exported(kAccountsKey), before_) << "the default stays 00000001";
    EXPECT_NE(log().find("RegOpenKeyEx failed on " + kAccountsKey + "\\Accounts\\" + longAddress + " (error 234)\n"
                         "Email Client Configuration failed with error code: 1\n"
                         "Description: ERROR: Unable to automatically configure\n"),
              std::string::npos)
        << log();

    // Only reading is allowed on the manager key: the default cannot be set
    // after the account was written, and the account goes again (a new one)
    // or gets its old values back (a reset).
    platform::testing::ReadOnlyKey lock(Hive::CurrentUser, "Software\\Microsoft\\Internet Account Manager");
    ASSERT_TRUE(lock.applied());
    for (const char* arguments : {"-n \"Ann\" -c 0 -a new@example.com -d", "-n \"Ann\" -c 0 -a ann@private.example -u -d"}) {
        platform::deleteFile(temp_.path() + "\\Tidewell.log");
        EXPECT_EQ(tidewell(arguments), 1u) << arguments;
        EXPECT_EQ(exported(kAccountsKey), before_) << arguments;
        EXPECT_NE(log().find("RegCreateKeyEx failed on " + kAccountsKey + " (error 5)\n"
                             "The registry was put back as it was before this run.\n"
                             "Email Client Configuration failed with error code: 1\n"),
                  std::string::npos)
            << log();
    }
}

TEST_F(HardeningEndToEnd, AnAutomaticRunNeedsAnAddressToCopy) {
    seed("[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager\\Accounts\\00000001]\n"
         "\"SMTP Email Address\"=\"\"\n");
    const std::string before = exported(kAccountsKey);
    EXPECT_EQ(tidewell("-auto -p \"QM-\""), 9u);
    EXPECT_EQ(exported(kAccountsKey), before) << "no QM- account";
    EXPECT_NE(log().find("Email Client Configuration failed with error : defaultDNE\n"), std::string::npos) << log();
}

TEST_F(HardeningEndToEnd, AnUnquotedNameKeepsItsLetters) {
    EXPECT_EQ(tidewell("-n Ann -c 0 -a one@example.com"), 0u);
    EXPECT_EQ(tidewell("-n \"Ann\" -c 0 -a two@example.com"), 0u);
    const std::string after = exported(kAccountsKey);
    for (const char* address : {"one@example.com", "two@example.com"}) {
        EXPECT_NE(after.find(accountExport(address, address, address, "Ann", true)), std::string::npos) << after;
    }
}

TEST_F(EndToEnd, AutomaticRunRecreatesTheDefaultAccountOnce) {
    seedOutlookExpress();
    seed("[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager]\n"
         "\"Default Mail Account\"=\"00000001\"\n\n"
         "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager\\Accounts\\00000001]\n"
         "\"SMTP Email Address\"=\"ann@example.com\"\n"
         "\"SMTP Display Name\"=\"Ann Example\"\n\n"
         "[HKEY_CLASSES_ROOT\\mailto\\shell\\open\\command]\n"
         "@=\"\\\"C:\\\\Program Files\\\\Outlook Express\\\\msimn.exe\\\" /mailurl:%1\"\n");
    EXPECT_EQ(tidewell("-auto -p \"QM-\""), 0u);
    EXPECT_NE(exported(kAccountsKey).find(
                  accountExport("QM-ann@example.com", "QM-ann@example.com", "ann@example.com", "Ann Example", true)),
              std::string::npos)
        << exported(kAccountsKey);
    EXPECT_EQ(tidewell("-auto -p \"QM-\""), 6u);
    EXPECT_EQ(tidewell("-auto -p \"QM-\" -s \"nobody@example.com\""), 8u);
}

TEST_F(EndToEnd, ThunderbirdInASeededProfile) {
    seed("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Clients\\Mail\\Mozilla Thunderbird]\n");
    const std::string data = temp_.path() + "\\Thunderbird";
    const std::string profile = data + "\\Profiles\\e2e.default";
    ASSERT_EQ(platform::createFolder(data), platform::kSuccess);
    ASSERT_EQ(platform::createFolder(data + "\\Profiles"), platform::kSuccess);
    ASSERT_EQ(platform::createFolder(profile), platform::kSuccess);
    ASSERT_EQ(platform::writeNewFile(data + "\\profiles.ini",
                                     "[General]\r\nStartWithLastProfile=1\r\n\r\n[Profile0]\r\nName=default\r\n"
                                     "IsRelative=1\r\nPath=Profiles/e2e.default\r\n"),
              platform::kSuccess);
    // A profile Thunderbird has run once: settings, no accounts, LF line ends.
    ASSERT_EQ(platform::writeNewFile(profile + "\\prefs.js",
                                     "// Mozilla User Preferences\n\nuser_pref(\"browser.cache.disk.capacity\", 1024);\n"),
              platform::kSuccess);

    EXPECT_EQ(tidewell("-n \"Ann Example\" -c 4 -a ann@example.com"), 0u);
    const std::string prefs = readFile(profile + "\\prefs.js");
    for (const char* line : {
             "user_pref(\"browser.cache.disk.capacity\", 1024);\n",  // each old line keeps its own end
             "user_pref(\"mail.identity.id1.fullName\", \"Ann Example\");\r\n",
             "user_pref(\"mail.identity.id1.useremail\", \"ann@example.com\");\r\n",
             "user_pref(\"mail.server.server2.hostname\", \"mail.quillmark.example\");\r\n",
             "user_pref(\"mail.server.server2.port\", 993);\r\n",
             "user_pref(\"mail.server.server2.socketType\", 3);\r\n",
             "user_pref(\"mail.smtpserver.smtp1.hostname\", \"mail.quillmark.example\");\r\n",
             "user_pref(\"mail.smtpserver.smtp1.port\", 465);\r\n",
         }) {
        EXPECT_NE(prefs.find(line), std::string::npos) << line << prefs;
    }
    EXPECT_FALSE(platform::fileExists(profile + "\\prefs.tmp"));
    EXPECT_NE(log().find("Client Selected to Configure: Mozilla Thunderbird\n\nStarting Thunderbird configuration...\n"),
              std::string::npos)
        << log();
    EXPECT_NE(log().find("Email Client Configuration Successful!\n"), std::string::npos);

    EXPECT_EQ(tidewell("-n \"Ann Example\" -c 4 -a ANN@example.com"), 5u);
    EXPECT_EQ(readFile(profile + "\\prefs.js"), prefs) << "outcome 5 leaves prefs.js as it was";
    EXPECT_EQ(tidewell("-n \"Ann Other\" -c 4 -a ann@example.com -u"), 0u);
    EXPECT_NE(readFile(profile + "\\prefs.js").find("user_pref(\"mail.identity.id1.fullName\", \"Ann Other\");\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace tw::test
