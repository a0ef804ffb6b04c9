// Whole windowless runs with Outlook: the writer chosen by Outlook's version,
// the registry dump of outcomes 2 and 3, and the automatic mode.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/config_app.h"
#include "app/exit_status.h"
#include "platform/files.h"
#include "platform/testing.h"
#include "tests/support/outlook_fixture.h"

namespace tw::test {
namespace {

using platform::Hive;

const std::string kRegistration = "SOFTWARE\\Clients\\Mail\\Microsoft Outlook";

class OutlookRun : public TidewellTest {
protected:
    int run(const std::string& commandLine) { return ConfigApp{}.initInstance(commandLine); }
    // Outlook registered with this major version in MSIApplicationLCID (none: no value).
    void registerOutlook(std::optional<int> version) {
        registerClient("Microsoft Outlook");
        if (version) {
            seedText(Hive::LocalMachine, kRegistration, "MSIApplicationLCID",
                     "Software\\Microsoft\\Office\\" + std::to_string(*version) + ".0\\Outlook LastUILanguage");
        }
    }
    bool omiAccount(const std::string& name) {
        return describeValue(Hive::CurrentUser, kOmiAccounts + "\\" + name, "Account Name") != "missing key";
    }
};

TEST_F(OutlookRun, TheVersionChoosesTheWriter) {
    struct Case {
        const char* what;
        bool registered;
        std::optional<int> version;
        bool withProfileStore;
        int status;
        const char* store;  // "omi", "profile" or "none"
    };
    const Case cases[] = {
        {"not registered", false, std::nullopt, true, ExitConfigured, "omi"},
        {"Outlook 2000", true, 9, true, ExitConfigured, "omi"},
        {"Outlook 2002", true, 10, true, ExitConfigured, "profile"},
        {"Outlook 2010", true, 14, true, ExitConfigured, "profile"},
        {"Outlook 2013", true, 15, true, 1, "none"},
        {"Outlook 2016", true, 16, true, 1, "none"},
        {"version unknown, a profile store", true, std::nullopt, true, ExitConfigured, "profile"},
        {"version unknown, no profile store", true, std::nullopt, false, ExitConfigured, "omi"},
    };
    for (const auto& c : cases) {
        platform::testing::deleteKeyTree(Hive::LocalMachine, kRegistration);
        platform::testing::deleteKeyTree(Hive::CurrentUser, "Software\\Microsoft");
        platform::deleteFile(logFile());
        if (c.registered) registerOutlook(c.version);
        if (c.withProfileStore) {
            seedProfileStore("Home", 1, {});
        } else {
            seedKey(Hive::CurrentUser, kProfiles);
        }
        EXPECT_EQ(run("-n \"Ann\" -c 1 -a ann@example.com"), c.status) << c.what;
        EXPECT_EQ(omiAccount("ann@example.com"), std::string(c.store) == "omi") << c.what;
        EXPECT_EQ(rawValue(profileAccount("Home", "00000001"), "Email") != "missing key",
                  std::string(c.store) == "profile")
            << c.what;
        const std::string log = logText();
        if (c.status == 1) {
            const std::string version = std::to_string(*c.version);
            EXPECT_NE(log.find("Client Selected to Configure: Microsoft Outlook\n\n"
                               "Outlook version " + version + " keeps its profiles under Software\\Microsoft\\Office\\" +
                               version + ".0\\Outlook\\Profiles, which Tidewell cannot configure. No changes have "
                               "been made.\n"
                               "Email Client Configuration failed with error code: 1\n"
                               "Description: ERROR: Unable to automatically configure\n"),
                      std::string::npos)
                << log;
        } else {
            EXPECT_NE(log.find("Email Client Configuration Successful!\n"), std::string::npos) << c.what << log;
        }
    }
}

TEST_F(OutlookRun, OutcomesTwoAndThreeDumpTheProfilesKey) {
    registerOutlook(11);
    seedKey(Hive::CurrentUser, kProfiles + "\\Home\\0a0d020000000000c000000000000046");
    seedKey(Hive::CurrentUser, kProfiles + "\\Other");
    seedText(Hive::CurrentUser, kProfiles, "DefaultProfile", "Home");
    EXPECT_EQ(run("-n \"Ann\" -c 1 -a ann@example.com"), OutcomeClientNeverRun);
    const std::string end =
        "Starting Outlook configuration...\n\n"
        "Email Client Configuration failed with error code: 3\n"
        "Description: ERROR: Outlook has not been run for the first time. Please run and close Outlook and try again.\n"
        "Relevant Registry Structure:\n"
        "Profiles\n"
        "   Home\n"
        "      0a0d020000000000c000000000000046\n"
        "   Other\n"
        "* Configuration Failed at <time> *\n\n";
    EXPECT_EQ(logText().substr(logText().size() - end.size()), end) << logText();

    platform::deleteFile(logFile());
    seedText(Hive::CurrentUser, kExchangeOptions, "PickLogonProfile", "1");
    EXPECT_EQ(run("-n \"Ann\" -c 1 -a ann@example.com"), OutcomeNoDefaultProfile);
    EXPECT_EQ(logText().find("Relevant Registry Structure"), std::string::npos) << "no dump for 4";
}

class OutlookAutomaticRun : public OutlookRun {
protected:
    OutlookAutomaticRun() {
        seedText(Hive::ClassesRoot, "mailto\\shell\\open\\command", "",
                 "\"C:\\Program Files\\Microsoft Office\\OFFICE11\\OUTLOOK.EXE\" -c IPM.Note /m \"%1\"");
    }
};

TEST_F(OutlookAutomaticRun, Outlook2003RecreatesTheDefaultAccountOnce) {
    registerOutlook(11);
    seedProfileStore("Home", 3, {2, 1});
    seedProfileAccount("Home", "00000001", "bob@example.com", "Bob");
    seedProfileAccount("Home", "00000002", "ann@example.com", "Ann Example");
    EXPECT_EQ(run("-auto -p \"QM-\" -d"), ExitConfigured);
    EXPECT_NE(logText().find("Automatically Configuring from default email client's default account.\n"
                             "Default Email Address: ann@example.com\n"
                             "Default Display Name: Ann Example\n"
                             "Make Account Default: Yes\n"
                             "Overwrite Existing Account: No\n"
                             "Client Selected to Configure: Microsoft Outlook\n\n"
                             "Starting Outlook configuration...\n\n"
                             "Searching for existant ann@example.com account ... not found. Creating new account.\n"),
              std::string::npos)
        << logText();
    EXPECT_EQ(binaryHex(profileAccount("Home", "00000003"), "Account Name"), hexBytes(utf16z("QM-ann@example.com")));
    EXPECT_EQ(binaryHex(profileAccount("Home", "00000003"), "Display Name"), hexBytes(utf16z("Ann Example")));
    EXPECT_EQ(binaryHex(storePath("Home"), kAccountList), "03 00 00 00 02 00 00 00 01 00 00 00");

    EXPECT_EQ(run("-auto -p \"QM-\" -d"), OutcomeAutoAccountExists);
    EXPECT_EQ(run("-auto -p \"QM-\" -s \"bob@\""), ExitConfigured) << "another account, found by -s";
    EXPECT_EQ(binaryHex(profileAccount("Home", "00000004"), "Account Name"), hexBytes(utf16z("QM-bob@example.com")));
    EXPECT_EQ(run("-auto -p \"QM-\" -s \"carol@\""), ExitNoDefault);
}

TEST_F(OutlookAutomaticRun, Outlook2000RecreatesTheDefaultAccountOnce) {
    registerOutlook(9);
    seedText(Hive::CurrentUser, kOmiManager, "Default Mail Account", "00000001");
    seedText(Hive::CurrentUser, kOmiAccounts + "\\00000001", "SMTP Email Address", "ann@example.com");
    seedText(Hive::CurrentUser, kOmiAccounts + "\\00000001", "SMTP Display Name", "Ann Example");
    EXPECT_EQ(run("-auto -p \"QM-\""), ExitConfigured);
    EXPECT_EQ(describeValue(Hive::CurrentUser, kOmiAccounts + "\\QM-ann@example.com", "SMTP Display Name"),
              "sz:Ann Example\\0");
    EXPECT_EQ(run("-auto -p \"QM-\""), OutcomeAutoAccountExists);
    // No default account: defaultDNE, and nothing is created.
    seedText(Hive::CurrentUser, kOmiManager, "Default Mail Account", "00000009");
    EXPECT_EQ(run("-auto -p \"XY-\""), ExitDefaultDNE);
    EXPECT_FALSE(omiAccount("XY-ann@example.com"));
}

TEST_F(OutlookAutomaticRun, AnOutlookTooNewIsNoSourceEither) {
    registerOutlook(16);
    seedProfileStore("Home", 2, {1});
    seedProfileAccount("Home", "00000001", "ann@example.com", "Ann");
    EXPECT_EQ(run("-auto -p \"QM-\""), ExitUnsupportedDefault);
    EXPECT_NE(logText().find("Automatically Configuring from default email client's default account.\n"
                             "Outlook version 16 keeps its profiles under "
                             "Software\\Microsoft\\Office\\16.0\\Outlook\\Profiles, which Tidewell cannot configure. "
                             "No changes have been made.\n"
                             "Email Client Configuration failed with error : unsupportedDef\n"),
              std::string::npos)
        << logText();
    EXPECT_EQ(subkeys(storePath("Home")), std::vector<std::string>{"00000001"});
}

}  // namespace
}  // namespace tw::test
