// Whole windowless runs through start-up: the log from banner to end-of-run
// block, what is written, and the exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/config_app.h"
#include "app/exit_status.h"
#include "platform/files.h"
#include "platform/testing.h"
#include "tests/support/test_env.h"

namespace tw::test {
namespace {

using platform::Hive;

constexpr const char* kManager = "Software\\Microsoft\\Internet Account Manager";
constexpr const char* kAccounts = "Software\\Microsoft\\Internet Account Manager\\Accounts";

const std::string kBanner =
    "Tidewell - Quillmark Log\n"
    "-------------------------------------------\n"
    "\n"
    "* Beginning Configuration (command line) at <time> *\n"
    "\n";

const std::string kOnlyOutlookExpress =
    "Searching for Mozilla Thunderbird ... not detected.\n"
    "Searching for Qualcomm Eudora ... not detected.\n"
    "Searching for Microsoft Outlook Express ... found.\n"
    "Searching for Microsoft Windows Mail ... not detected.\n"
    "Searching for Microsoft Outlook ... not detected.\n"
    "\n";

const std::string kDefaultDetected = "Detecting default email client ... done.\n\n";

class WindowlessRun : public TidewellTest {
protected:
    WindowlessRun() {
        registerClient("Outlook Express");
        seedKey(Hive::CurrentUser, kAccounts);
    }
    ~WindowlessRun() override {
        for (auto id : started_) platform::testing::stopProcess(id);
    }

    int run(const std::string& commandLine) { return ConfigApp{}.initInstance(commandLine); }

    void seedAccount(const std::string& key, const std::string& address, const std::string& display) {
        const std::string path = std::string(kAccounts) + "\\" + key;
        seedText(Hive::CurrentUser, path, "SMTP Email Address", address);
        seedText(Hive::CurrentUser, path, "SMTP Display Name", display);
    }
    std::string accountValue(const std::string& key, const std::string& value) {
        return describeValue(Hive::CurrentUser, std::string(kAccounts) + "\\" + key, value);
    }
    void setDefaultClient(const std::string& command) {
        seedText(Hive::ClassesRoot, "mailto\\shell\\open\\command", "", command);
    }
    std::uint32_t startClient(const std::string& image) {
        started_.push_back(platform::testing::startStandInProcess(image, folder()));
        return started_.back();
    }

    std::vector<std::uint32_t> started_;
};

TEST_F(WindowlessRun, ExplicitOutlookExpressRunFromBannerToEnd) {
    EXPECT_EQ(run("-n \"Ann Example\" -c 0 -a ann@example.com  "), ExitConfigured);
    const std::string log = logText();
    const std::string head = kBanner + kOnlyOutlookExpress + kDefaultDetected +
                             "User Entered Email Address: ann@example.com\n"
                             "User Entered Display Name: Ann Example\n"
                             "Make Account Default: No\n"
                             "Overwrite Existing Account: No\n"
                             "Client Selected to Configure: Microsoft Outlook Express\n"
                             "\n"
                             "Starting Outlook Express configuration...\n";
    EXPECT_EQ(log.substr(0, head.size()), head);
    const std::string tail = "Writing at RegKey: Software\\Microsoft\\Internet Account Manager\\Accounts\\"
                             "ann@example.com\\\n"
                             "Email Client Configuration Successful!\n"
                             "\n"
                             "* Configuration Complete at <time> *\n"
                             "\n";
    ASSERT_GE(log.size(), tail.size());
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
    EXPECT_EQ(accountValue("ann@example.com", "SMTP Display Name"), "sz:Ann Example\\0");
}

TEST_F(WindowlessRun, FailuresReportCodeAndDescription) {
    struct Case {
        std::string commandLine;
        int status;
        std::string end;
    };
    seedAccount("00000001", "ann@example.com", "Ann");
    const Case cases[] = {
        {"-n \"Ann\" -c 0 -a ann@example.com", 5,
         "...found. No changes will be made.\n"
         "Email Client Configuration failed with error code: 5\n"
         "Description: ERROR: Account was already found, no changes have been made.\n"
         "* Configuration Failed at <time> *\n\n"},
        {"-n \"Ann\" -c 7 -a ann@example.com", ExitNoWriter,
         "Overwrite Existing Account: No\n"
         "Email Client Configuration failed with error code: -1\n"
         "Description: \n"
         "* Configuration Failed at <time> *\n\n"},
        // Eudora has no default account, but the request line says what was asked.
        {"-n \"Ann\" -c 3 -a ann@example.com -d", 1,
         "Make Account Default: Yes\n"
         "Overwrite Existing Account: No\n"
         "Client Selected to Configure: Qualcomm Eudora\n"
         "\n"
         "Starting Eudora configuration...\n"
         "\n"
         "No Eudora settings file was found at " + folder() + "\\Qualcomm\\Eudora\\Eudora.ini. App Paths names no "
         "Eudora.exe.\n"
         "Email Client Configuration failed with error code: 1\n"
         "Description: ERROR: Eudora has not been run for the first time or Eudora is not set to store data in the "
         "default location.\n"
         "* Configuration Failed at <time> *\n\n"},
    };
    for (const auto& c : cases) {
        platform::deleteFile(logFile());
        EXPECT_EQ(run(c.commandLine), c.status) << c.commandLine;
        const std::string log = logText();
        ASSERT_GE(log.size(), c.end.size()) << log;
        EXPECT_EQ(log.substr(log.size() - c.end.size()), c.end) << c.commandLine;
    }
}

TEST_F(WindowlessRun, AnUnopenableAccountsKeyIsOutcomeOne) {
    platform::testing::deleteKeyTree(Hive::CurrentUser, kManager);
    EXPECT_EQ(run("-n \"Ann\" -c 0 -a ann@example.com"), 1);
    EXPECT_NE(logText().find("Starting Outlook Express configuration...\n\n"
                             "RegOpenKeyEx failed on HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account "
                             "Manager\\Accounts (error 2)\n"
                             "Email Client Configuration failed with error code: 1\n"
                             "Description: ERROR: Unable to automatically configure\n"),
              std::string::npos);
}

TEST_F(WindowlessRun, IncompleteOrUnusableCommandLinesTouchNothing) {
    // Two accounts and a default: a backslash or an empty address would have
    // written over Accounts\ann@example.com or onto the Accounts key itself.
    seedAccount("00000001", "bob@work.example", "Bob");
    seedAccount("ann@example.com", "ann@private.example", "Ann Private");
    seedText(Hive::CurrentUser, kManager, "Default Mail Account", "00000001");
    setDefaultClient("msimn.exe");
    const std::string before = registryDump(Hive::CurrentUser, kManager);
    for (const char* commandLine :
         {"-c 0 -a ann@example.com", "-n \"Ann\" -a ann@example.com", "-n \"Ann\" -c 0",
          "-n \"Ann\" -c x -a ann@example.com", "-auto -s \"ann@example.com\"",
          "-n \"Ann Example\" -c 0 -a ann@example.com\\", "-n \"Ann Example\" -c 0 -a \\ann@example.com -u",
          "-n \"Ann Example\" -c 0 -a -d", "-n \"Ann Example\" -c 0 -a \"\" -d", "-auto -p \"\\\"",
          "-auto -p \"QM-\" -s \" \" -u"}) {
        EXPECT_EQ(run(commandLine), ExitUsage) << commandLine;
    }
    EXPECT_FALSE(platform::fileExists(logFile())) << "no log is opened";
    EXPECT_EQ(registryDump(Hive::CurrentUser, kManager), before);
}

TEST_F(WindowlessRun, AnUnopenableLogDoesNotStopTheRun) {
    seedText(Hive::CurrentUser, "Volatile Environment", "APPDATA", folder() + "\\missing");
    EXPECT_EQ(run("-n \"Ann\" -c 0 -a ann@example.com"), ExitConfigured);
    EXPECT_EQ(accountValue("ann@example.com", "SMTP Display Name"), "sz:Ann\\0");
}

TEST_F(WindowlessRun, UnusualValuesArriveAsTyped) {
    const std::string longName(10 * 1024, 'N');
    struct Case {
        std::string commandLine;
        std::string key;
        std::string display;
    };
    const Case cases[] = {
        {"-n \"Ann \"The\" Example\" -c 0 -a quote@example.com", "quote@example.com", "Ann \"The\" Example"},
        {"-n \"Zo\xeb M\xfcller\" -c 0 -a zoe@example.com", "zoe@example.com", "Zo\xeb M\xfcller"},
        {"-n \"Ann -x Example\" -c 0 -a cut@example.com", "cut@example.com", "Ann"},
        {"-n Ann -c 0 -a unquoted@example.com", "unquoted@example.com", "Ann"},
        {"-n \"\" -c 0 -a empty@example.com", "empty@example.com", ""},
        {"-n \"" + longName + "\" -c 0 -a long@example.com", "long@example.com", longName},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.commandLine), ExitConfigured) << c.key;
        EXPECT_EQ(accountValue(c.key, "SMTP Display Name"), "sz:" + c.display + "\\0") << c.key;
    }
}

// A second space before the next option, or quotes around a pasted address,
// leave blanks that are no part of it: the account is the address's own, and
// found again by it.
TEST_F(WindowlessRun, BlanksAroundTheAddressAreNotPartOfIt) {
    EXPECT_EQ(run("-n Ann -c 0 -a ann@example.com  -d"), ExitConfigured);
    EXPECT_EQ(accountValue("ann@example.com", "SMTP Email Address"), "sz:ann@example.com\\0");
    EXPECT_NE(logText().find("User Entered Email Address: ann@example.com\n"), std::string::npos) << logText();
    EXPECT_EQ(run("-n Ann -c 0 -a \" ann@example.com \""), OutcomeAccountExists);
    EXPECT_EQ(platform::testing::valueNames(Hive::CurrentUser, std::string(kAccounts) + "\\ann@example.com ").size(), 0u);
}

TEST_F(WindowlessRun, ARunningClientStopsTheRunEvenWithX) {
    const auto id = startClient("msimn.exe");
    EXPECT_EQ(run("-n \"Ann\" -c 0 -a ann@example.com -x"), ExitClientRunning);
    EXPECT_EQ(logText(), kBanner + kOnlyOutlookExpress +
                             "Running Email Client Detected. Closing.\n\n"
                             "* Configuration Incomplete. Terminated automatically at <time> *\n\n");
    EXPECT_EQ(accountValue("ann@example.com", "Account Name"), "missing key");
    EXPECT_FALSE(platform::testing::waitForProcessExit(id, 0));
}

class AutomaticRun : public WindowlessRun {};

TEST_F(AutomaticRun, RecreatesTheDefaultAccountUnderThePrefix) {
    setDefaultClient("\"C:\\Program Files\\Outlook Express\\msimn.exe\" /mailurl:%1");
    seedAccount("00000001", "ann@example.com", "Ann Example");
    seedText(Hive::CurrentUser, kManager, "Default Mail Account", "00000001");
    EXPECT_EQ(run("-auto -p \"QM-\""), ExitConfigured);
    const std::string log = logText();
    EXPECT_NE(log.find(kDefaultDetected +
                       "Automatically Configuring from default email client's default account.\n"
                       "GetDefAcct Test Result: 0\n"
                       "Result: 00000001\n"
                       "GetAcctAddr Test Result: 0\n"
                       "Result: ann@example.com\n"
                       "Default Email Address: ann@example.com\n"
                       "Default Display Name: Ann Example\n"
                       "Make Account Default: No\n"
                       "Overwrite Existing Account: No\n"
                       "Client Selected to Configure: Microsoft Outlook Express\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(accountValue("QM-ann@example.com", "Account Name"), "sz:QM-ann@example.com\\0");
    EXPECT_EQ(accountValue("QM-ann@example.com", "SMTP Display Name"), "sz:Ann Example\\0");

    EXPECT_EQ(run("-auto -p \"QM-\""), OutcomeAutoAccountExists) << "the same command again";
    EXPECT_NE(logText().find("...found. Quitting.\n"
                             "Email Client Configuration failed with error code: 6\n"
                             "Description: ERROR: Identical Automatically Created Account was already found, no "
                             "changes have been made.\n"),
              std::string::npos);
}

TEST_F(AutomaticRun, SearchesByAddressWithS) {
    setDefaultClient("msimn.exe");
    seedAccount("00000001", "ann@example.com", "Ann");
    seedAccount("00000002", "bob@example.com", "Bob");
    seedText(Hive::CurrentUser, kManager, "Default Mail Account", "00000001");
    EXPECT_EQ(run("-auto -p \"QM-\" -s \"bob@example.com\" -d"), ExitConfigured);
    EXPECT_EQ(accountValue("QM-bob@example.com", "SMTP Display Name"), "sz:Bob\\0");
    EXPECT_EQ(describeValue(Hive::CurrentUser, kManager, "Default Mail Account"), "sz:QM-bob@example.com\\0");
}

TEST_F(AutomaticRun, ErrorsEndTheRunWithTheirOwnBlock) {
    struct Case {
        std::string mailto;  // empty: no mailto command
        std::string defaultAccount;
        std::string commandLine;
        int status;
        std::string error;
        std::string description;
    };
    const Case cases[] = {
        {"msimn.exe", "00000001", "-auto -p \"QM-\" -s \"nobody@example.com\"", ExitNoDefault, "noDefault",
         "The system's default email client's default account could not be identified using your search criteria."},
        {"msimn.exe", "00000009", "-auto -p \"QM-\"", ExitDefaultDNE, "defaultDNE",
         "The system's default email client's default account no longer exists."},
        {"msimn.exe", "", "-auto -p \"QM-\"", ExitDefaultDNE, "defaultDNE",
         "The system's default email client's default account no longer exists."},
        {"thunderbird.exe", "00000001", "-auto -p \"QM-\"", ExitUnsupportedDefault, "unsupportedDef",
         "The system's default email client is not supported by Tidewell."},
        {"", "00000001", "-auto -p \"QM-\"", ExitUnsupportedDefault, "unsupportedDef",
         "The system's default email client is not supported by Tidewell."},
        // A default account without an address, or with one no key can be named after.
        {"msimn.exe", "00000002", "-auto -p \"QM-\"", ExitDefaultDNE, "defaultDNE",
         "The system's default email client's default account no longer exists."},
        {"msimn.exe", "00000003", "-auto -p \"QM-\"", ExitDefaultDNE, "defaultDNE",
         "The system's default email client's default account no longer exists."},
        {"msimn.exe", "00000003", "-auto -p \"QM-\" -s \"\\\"", ExitDefaultDNE, "defaultDNE",
         "The system's default email client's default account no longer exists."},
        // No default account, and a hand-made key named like the readers'
        // marker for "could not read": it is not taken for the default.
        {"msimn.exe", "", "-auto -p \"\"", ExitDefaultDNE, "defaultDNE",
         "The system's default email client's default account no longer exists."},
    };
    seedAccount("00000001", "ann@example.com", "Ann");
    seedAccount("00000002", "", "No Address");
    seedAccount("00000003", "ann@example.com\\", "Backslash");
    seedAccount("*ERROR*", "00000004", "Marker");
    const std::string before = registryDump(Hive::CurrentUser, kAccounts);
    for (const auto& c : cases) {
        platform::deleteFile(logFile());
        platform::testing::deleteKeyTree(Hive::ClassesRoot, "mailto");
        if (!c.mailto.empty()) setDefaultClient(c.mailto);
        {
            platform::RegKey manager;
            ASSERT_EQ(manager.create(Hive::CurrentUser, kManager, platform::kKeyAllAccess), platform::kSuccess);
            manager.deleteValue("Default Mail Account");
            if (!c.defaultAccount.empty()) manager.setString("Default Mail Account", c.defaultAccount);
        }
        EXPECT_EQ(run(c.commandLine), c.status) << c.error;
        const std::string end = "Email Client Configuration failed with error : " + c.error + "\n" +
                                "Description: " + c.description + "\n" + "* Configuration Failed at <time> *\n\n";
        const std::string log = logText();
        ASSERT_GE(log.size(), end.size()) << log;
        EXPECT_EQ(log.substr(log.size() - end.size()), end) << log;
        EXPECT_EQ(log.find("Default Email Address"), std::string::npos);
        EXPECT_EQ(registryDump(Hive::CurrentUser, kAccounts), before) << c.commandLine;
    }
}

TEST_F(AutomaticRun, AnAccountWithoutADisplayNameGivesTheCopyNone) {
    setDefaultClient("msimn.exe");
    seedText(Hive::CurrentUser, std::string(kAccounts) + "\\00000001", "SMTP Email Address", "ann@example.com");
    seedText(Hive::CurrentUser, kManager, "Default Mail Account", "00000001");
    EXPECT_EQ(run("-auto -p \"QM-\""), ExitConfigured);
    EXPECT_NE(logText().find("Default Email Address: ann@example.com\nDefault Display Name: \n"), std::string::npos);
    EXPECT_EQ(accountValue("QM-ann@example.com", "SMTP Display Name"), "sz:\\0") << "not the marker *ERROR*";
}

TEST_F(AutomaticRun, XClosesRunningClientsAndGoesOn) {
    setDefaultClient("msimn.exe");
    seedAccount("00000001", "ann@example.com", "Ann");
    seedText(Hive::CurrentUser, kManager, "Default Mail Account", "00000001");
    const auto id = startClient("msimn.exe");
    EXPECT_EQ(run("-auto -x -p \"QM-\""), ExitConfigured);
    EXPECT_TRUE(platform::testing::waitForProcessExit(id, 5000));
    EXPECT_NE(logText().find(kOnlyOutlookExpress + "Running Email Client Detected: msimn.exe. Closed.\n" +
                             kDefaultDetected),
              std::string::npos)
        << logText();
}

}  // namespace
}  // namespace tw::test
