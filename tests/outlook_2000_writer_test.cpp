// The Outlook 2000 writer: Internet-mode accounts in the OMI account manager,
// the default account, the automatic mode, the readers, and in
// Corporate/Workgroup mode the mail service it adds to the default MAPI
// profile (against a MAPI that works: the fake's, or the stand-in MAPI32.DLL).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "clients/outlook/outlook_2000_writer.h"
#include "core/markers.h"
#include "core/provider.h"
#include "platform/testing.h"
#include "tests/support/outlook_fixture.h"

namespace tw::test {
namespace {

using platform::Hive;
using platform::MapiCall;

std::string accountKey(const std::string& name) { return kOmiAccounts + "\\" + name; }

const std::vector<std::string>& accountValueNames() {
    static const std::vector<std::string> names = {
        "Account Name", "Connection Flags", "Connection Type", "IMAP Dirty", "IMAP Poll All Folders", "IMAP Polling",
        "IMAP Port", "IMAP Prompt for Password", "IMAP Root Folder", "IMAP Secure Connection", "IMAP Server",
        "IMAP Timeout", "IMAP User Name", "SMTP Display Name", "SMTP Email Address", "SMTP Port",
        "SMTP Prompt for Password", "SMTP Secure Connection", "SMTP Server", "SMTP Split Messages", "SMTP Timeout",
        "SMTP Use Sicily", "SMTP User Name"};
    return names;
}

std::string accountValues(const std::string& name) {
    std::string text;
    for (const auto& value : accountValueNames()) {
        text += value + "=" + describeValue(Hive::CurrentUser, accountKey(name), value) + "\n";
    }
    return text;
}

std::string expectedValues(const std::string& accountName, const std::string& address, const std::string& display,
                           bool ssl) {
    const ProviderServers s = providerServers(ssl);
    const std::string secure = ssl ? "1" : "0";
    return "Account Name=sz:" + accountName + "\\0\n" + "Connection Flags=dword:0\n" + "Connection Type=dword:3\n" +
           "IMAP Dirty=dword:0\n" + "IMAP Poll All Folders=dword:1\n" + "IMAP Polling=dword:1\n" +
           "IMAP Port=dword:" + std::to_string(s.imapPort) + "\n" + "IMAP Prompt for Password=dword:1\n" +
           "IMAP Root Folder=sz:INBOX.\\0\n" + "IMAP Secure Connection=dword:" + secure + "\n" +
           "IMAP Server=sz:" + std::string(s.incomingHost) + "\\0\n" + "IMAP Timeout=dword:60\n" +
           "IMAP User Name=sz:" + address + "\\0\n" + "SMTP Display Name=sz:" + display + "\\0\n" +
           "SMTP Email Address=sz:" + address + "\\0\n" + "SMTP Port=dword:" + std::to_string(s.smtpPort) + "\n" +
           "SMTP Prompt for Password=dword:1\n" + "SMTP Secure Connection=dword:" + secure + "\n" +
           "SMTP Server=sz:" + std::string(s.outgoingHost) + "\\0\n" + "SMTP Split Messages=dword:0\n" +
           "SMTP Timeout=dword:60\n" + "SMTP Use Sicily=dword:2\n" + "SMTP User Name=sz:" + address + "\\0\n";
}

std::string settingsLog(const std::string& accountName, const std::string& address, const std::string& display,
                        bool ssl) {
    const ProviderServers s = providerServers(ssl);
    const std::string secure = ssl ? "1" : "0";
    return "The following settings were written/overwritten in the system registry:\n\n"
           "Account Name: " + accountName + "\n" + "Connection Type: 3\n" + "IMAP Port: " +
           std::to_string(s.imapPort) + "\n" + "IMAP Prompt for Password: 1\n" + "IMAP Secure Connection: " +
           secure + "\n" + "IMAP Server: " + std::string(s.incomingHost) + "\n" + "IMAP Timeout: 60\n" +
           "IMAP User Name: " + address + "\n" + "IMAP Poll All Folders: 1\n" + "IMAP Polling: 1\n" +
           "IMAP Root Folder: INBOX.\n" + "SMTP Display Name: " + display + "\n" + "SMTP Email Address: " +
           address + "\n" + "SMTP Port: " + std::to_string(s.smtpPort) + "\n" + "SMTP Prompt for Password: 1\n" +
           "SMTP Secure Connection: " + secure + "\n" + "SMTP Server: " + std::string(s.outgoingHost) + "\n" +
           "SMTP Split Messages: 0\n" + "SMTP Timeout: 60\n" + "SMTP Use Sicily: 2\n" + "SMTP User Name: " +
           address + "\n\n";
}

class Outlook2000WriterTest : public TidewellTest {
protected:
    ConfigOutcome configure(const std::string& address, const std::string& display, bool makeDefault,
                            bool overwrite, bool ssl = true) {
        SessionLog log;
        EXPECT_TRUE(log.open(logFile()));
        Outlook2000Writer writer(address, display, makeDefault, overwrite, ssl, log);
        return writer.configure();
    }
    ConfigOutcome configureAutomatic(bool makeDefault, bool overwrite) {
        SessionLog log;
        EXPECT_TRUE(log.open(logFile()));
        Outlook2000Writer writer("", "", false, false, true, log);
        writer.setAutomaticMode();
        writer.setAutomaticPrefix("QM-");
        writer.reset("ann@example.com", "Ann", makeDefault, overwrite, true, log);
        return writer.configure();
    }
    void seedAccount(const std::string& key, const std::string& address) {
        seedText(Hive::CurrentUser, accountKey(key), "Account Name", "Old account");
        seedText(Hive::CurrentUser, accountKey(key), "SMTP Email Address", address);
        seedDword(Hive::CurrentUser, accountKey(key), "IMAP Port", 110);
        seedText(Hive::CurrentUser, accountKey(key), "POP3 Server", "pop.old.example");
    }
    std::string defaultAccount() { return describeValue(Hive::CurrentUser, kOmiManager, "Default Mail Account"); }
};

TEST_F(Outlook2000WriterTest, InternetModeFirstAccount) {
    EXPECT_EQ(configure("ann@example.com", "Ann Example", false, false, false), OutcomeConfigured);
    EXPECT_EQ(accountValues("ann@example.com"),
              expectedValues("ann@example.com", "ann@example.com", "Ann Example", false));
    EXPECT_EQ(defaultAccount(), "missing") << "the first account is not made the default by itself";
    EXPECT_EQ(logText(), "Default Mail Profile is : \n"
                         "Starting Outlook configuration...\n\n"
                         "Searching for existant ann@example.com account ... not found. Creating new account.\n\n" +
                             settingsLog("ann@example.com", "ann@example.com", "Ann Example", false));
    EXPECT_EQ(subkeys(kProfiles.substr(0, kProfiles.rfind('\\'))), std::vector<std::string>{})
        << "Internet-only mode never looks at the MAPI profiles";

    EXPECT_EQ(configure("bob@example.com", "Bob", true, false), OutcomeConfigured);
    EXPECT_EQ(defaultAccount(), "sz:bob@example.com\\0");
}

TEST_F(Outlook2000WriterTest, AnAccountFoundUnderAnotherKeyIsRewrittenThere) {
    seedAccount("00000001", "other@example.com");
    seedAccount("00000002", "ann@example.com");
    seedText(Hive::CurrentUser, kOmiManager, "Default Mail Account", "00000001");
    EXPECT_EQ(configure("ann@example.com", "Ann", true, false), OutcomeAccountExists);
    EXPECT_EQ(describeValue(Hive::CurrentUser, accountKey("00000002"), "IMAP Port"), "dword:110");
    EXPECT_EQ(defaultAccount(), "sz:00000001\\0");
    EXPECT_NE(logText().find("Searching for existant ann@example.com account ...  found. No changes will be made.\n"),
              std::string::npos);

    EXPECT_EQ(configure("ann@example.com", "Ann New", true, true), OutcomeConfigured);
    EXPECT_EQ(accountValues("00000002"), expectedValues("ann@example.com", "ann@example.com", "Ann New", true));
    EXPECT_EQ(describeValue(Hive::CurrentUser, accountKey("00000002"), "POP3 Server"), "sz:pop.old.example\\0");
    EXPECT_EQ(subkeys(kOmiAccounts), (std::vector<std::string>{"00000001", "00000002"}))
        << "no second account for the address";
    EXPECT_EQ(defaultAccount(), "sz:00000002\\0") << "the default names the account's key";
    EXPECT_NE(logText().find(" found. Reseting settings to defaults.\n\n"), std::string::npos);
}

TEST_F(Outlook2000WriterTest, AddressesCompareExactlyButKeyNamesDoNot) {
    seedAccount("00000001", "Ann@Example.com");
    EXPECT_EQ(configure("ann@example.com", "Ann", false, false), OutcomeConfigured) << "another address";
    EXPECT_EQ(describeValue(Hive::CurrentUser, accountKey("00000001"), "IMAP Port"), "dword:110");
    // A key bearing the new account's name is that key, whatever it holds.
    seedAccount("Bob@Example.com", "someone@example.com");
    EXPECT_EQ(configure("bob@example.com", "Bob", false, false), OutcomeAccountExists);
    EXPECT_EQ(describeValue(Hive::CurrentUser, accountKey("Bob@Example.com"), "IMAP Port"), "dword:110");
    EXPECT_EQ(configure("bob@example.com", "Bob", false, true), OutcomeConfigured);
    EXPECT_EQ(accountValues("Bob@Example.com"), expectedValues("bob@example.com", "bob@example.com", "Bob", true));
}

TEST_F(Outlook2000WriterTest, AutomaticModeFindsItsOwnKey) {
    seedAccount("00000001", "ann@example.com");
    seedAccount("qm-ann@EXAMPLE.com", "ann@example.com");
    EXPECT_EQ(configureAutomatic(false, false), OutcomeAutoAccountExists);
    EXPECT_NE(logText().find("account ...  found. Quitting.\n"), std::string::npos) << logText();
    EXPECT_EQ(configureAutomatic(true, true), OutcomeConfigured);
    EXPECT_EQ(accountValues("qm-ann@EXAMPLE.com"), expectedValues("QM-ann@example.com", "ann@example.com", "Ann", true));
    EXPECT_EQ(describeValue(Hive::CurrentUser, accountKey("00000001"), "IMAP Port"), "dword:110");
    EXPECT_EQ(defaultAccount(), "sz:qm-ann@EXAMPLE.com\\0")
        << "the default names the prefixed account by its key as spelled, not the user's own";
}

// Every registry call that writes, failing in turn (the fake fails a chosen
// call), for a new account and a reset, both with makeDefault: outcome 1, the
// failed call in the log, and the account manager as it was.
TEST_F(Outlook2000WriterTest, AFailureOfAnyWriteIsUndoneWhole) {
    using platform::testing::RegistryCall;
    seedAccount("00000001", "bob@work.example");
    seedAccount("00000002", "ann@reset.example");
    seedText(Hive::CurrentUser, kOmiManager, "Default Mail Account", "00000001");
    const std::string before = registryDump(Hive::CurrentUser, kOmiManager);
    for (const bool reset : {false, true}) {
        const std::string address = reset ? "ann@reset.example" : "new@example.com";
        const std::string key = reset ? "00000002" : address;
        struct Call {
            RegistryCall call;
            std::string name;
            std::string failure;
        };
        std::vector<Call> calls = {{RegistryCall::SetValue, "Default Mail Account",
                                    "RegSetValueEx failed on HKEY_CURRENT_USER\\" + kOmiManager +
                                        " value \"Default Mail Account\""},
                                   {RegistryCall::EnumKey, "Accounts",
                                    "RegEnumKeyEx failed on HKEY_CURRENT_USER\\" + kOmiAccounts}};
        for (const auto& value : accountValueNames()) {
            calls.push_back({RegistryCall::SetValue, value, "RegSetValueEx failed on HKEY_CURRENT_USER\\" +
                                                                accountKey(key) + " value \"" + value + "\""});
        }
        if (!reset) {
            calls.push_back(
                {RegistryCall::CreateKey, key, "RegCreateKeyEx failed on HKEY_CURRENT_USER\\" + accountKey(key)});
        }
        for (const Call& c : calls) {
            if (!platform::testing::failNextRegistryCall(c.call, c.name, platform::kErrorAccessDenied)) {
                GTEST_SKIP() << "only the fake backend fails a call on demand";
            }
            platform::deleteFile(logFile());
            EXPECT_EQ(configure(address, "Ann", true, reset), OutcomeCannotConfigure) << c.failure;
            EXPECT_NE(logText().find(c.failure + " (error 5)\n"), std::string::npos) << c.failure << "\n" << logText();
            EXPECT_EQ(registryDump(Hive::CurrentUser, kOmiManager), before) << c.failure;
        }
    }
}

TEST_F(Outlook2000WriterTest, AnAccountManagerThatCannotBeWrittenIsLeftAsItWas) {
    seedAccount("00000001", "ann@example.com");
    seedText(Hive::CurrentUser, kOmiManager, "Default Mail Account", "00000001");
    const std::string before = registryDump(Hive::CurrentUser, kOmiManager);
    // A key name of 255 characters or more is refused.
    const std::string longAddress = std::string(300, 'a') + "@example.com";
    EXPECT_EQ(configure(longAddress, "Ann", true, false), OutcomeCannotConfigure);
    EXPECT_NE(logText().find("RegOpenKeyEx failed on HKEY_CURRENT_USER\\" + accountKey(longAddress) + " (error 234)\n"),
              std::string::npos)
        << logText();
    EXPECT_EQ(registryDump(Hive::CurrentUser, kOmiManager), before);
    platform::testing::ReadOnlyKey lock(Hive::CurrentUser, kOmiManager);
    ASSERT_TRUE(lock.applied());
    // The account can be written, the default cannot: the account goes again
    // (a new one) or gets its old values back (a reset).
    EXPECT_EQ(configure("new@example.com", "New", true, false), OutcomeCannotConfigure);
    EXPECT_EQ(registryDump(Hive::CurrentUser, kOmiManager), before);
    EXPECT_EQ(configure("ann@example.com", "Ann", true, true), OutcomeCannotConfigure);
    EXPECT_EQ(registryDump(Hive::CurrentUser, kOmiManager), before);
    EXPECT_NE(logText().find("RegCreateKeyEx failed on HKEY_CURRENT_USER\\" + kOmiManager +
                             " (error 5)\nThe registry was put back as it was before this run.\n"),
              std::string::npos)
        << logText();
}

class Outlook2000Readers : public Outlook2000WriterTest {
protected:
    Outlook2000Readers() : writer_("", "", false, false, true, log_) { log_.open(logFile()); }
    SessionLog log_;
    Outlook2000Writer writer_;
};

TEST_F(Outlook2000Readers, DefaultAccountAndSearch) {
    EXPECT_EQ(writer_.defaultAccountName(), kErrorMarker);
    EXPECT_EQ(writer_.findAccountByAddress("ann@example.com"), kErrorMarker);
    EXPECT_EQ(subkeys("Software\\Microsoft\\Office"), std::vector<std::string>{}) << "reading never creates";

    seedAccount("00000001", "joann@example.com");
    seedAccount("00000002", "ann@example.com");
    seedText(Hive::CurrentUser, accountKey("00000002"), "SMTP Display Name", "Ann Example");
    seedText(Hive::CurrentUser, kOmiManager, "Default Mail Account", "00000002");
    EXPECT_EQ(writer_.defaultAccountName(), "00000002");
    EXPECT_EQ(writer_.accountAddress("00000002"), "ann@example.com");
    EXPECT_EQ(writer_.accountDisplayName("00000002"), "Ann Example");
    EXPECT_EQ(writer_.accountDisplayName("00000001"), kErrorMarker) << "no display name";
    EXPECT_EQ(writer_.accountAddress("00000009"), kErrorMarker);
    EXPECT_EQ(writer_.findAccountByAddress("ann@example"), "00000001") << "the first substring match";
    EXPECT_EQ(writer_.findAccountByAddress("ANN@example.com"), kErrorMarker);
    log_.close();
    // The search line names the writer's own (empty) address and stays open.
    EXPECT_EQ(logText(), "Searching for existant  account ... Searching for existant  account ... "
                         "Searching for existant  account ... ");
}

// Corporate/Workgroup mode: the default profile "Work" with one section of its own.
class Outlook2000Corporate : public Outlook2000WriterTest {
protected:
    Outlook2000Corporate() {
        seedDword(Hive::CurrentUser, kMailSupportKey, "MailSupport", 1);
        seedText(Hive::CurrentUser, kProfiles, "DefaultProfile", "Work");
        seedText(Hive::CurrentUser, profileKey() + "\\0a0d020000000000c000000000000046", "001e3d0b", "ExchangeEntry");
    }
    static std::string profileKey() { return kProfiles + "\\Work"; }
    // The sections the service added, each as "<3d0b>|<3001>|<661f>".
    std::vector<std::string> newSections() {
        std::vector<std::string> found;
        for (const auto& name : subkeys(profileKey())) {
            if (name == "0a0d020000000000c000000000000046") continue;
            const std::string key = profileKey() + "\\" + name;
            found.push_back(describeValue(Hive::CurrentUser, key, "001e3d0b") + "|" +
                            describeValue(Hive::CurrentUser, key, "001e3001") + "|" +
                            describeValue(Hive::CurrentUser, key, "001e661f"));
        }
        return found;
    }
    static std::string releasedCalls(const std::string& profile, const std::string& display) {
        return "MAPIInitialize\nMAPIAdminProfiles\nMAPILogonEx " + profile + "\nAdminServices " + profile +
               "\nCreateMsgService IMAIL " + display +
               "\nRelease IMsgServiceAdmin\nLogoff\nRelease IMAPISession\nRelease IProfAdmin\nMAPIUninitialize\n";
    }
    platform::testing::StandInMapi mapi_;
};

TEST_F(Outlook2000Corporate, NewAccountGetsItsMailService) {
    EXPECT_EQ(configure("ann@example.com", "Ann", false, false), OutcomeConfigured);
    EXPECT_EQ(accountValues("ann@example.com"), expectedValues("ann@example.com", "ann@example.com", "Ann", true));
    EXPECT_EQ(mapi_.calls(), releasedCalls("Work", "ann@example.com"));
    EXPECT_EQ(newSections(),
              (std::vector<std::string>{
                  "sz:MailServiceEntry\\0|sz:Internet E-Mail - ann@example.com\\0|sz:ann@example.com\\0",
                  "missing|sz:ann@example.com\\0|missing"}))
        << "only the service's own section is named";
    EXPECT_EQ(describeValue(Hive::CurrentUser, profileKey() + "\\0a0d020000000000c000000000000046", "001e3001"),
              "missing")
        << "sections that were there stay as they were";
    const std::string log = logText();
    EXPECT_EQ(log.substr(0, 75), "Default Mail Profile is : Work\nStarting Outlook configuration...\n\nSearching");
    EXPECT_NE(log.find(settingsLog("ann@example.com", "ann@example.com", "Ann", true) +
                       "Outlook is in Corporate/Workgroup Mode. Creating MAPI Internet Mail Profile...\n"),
              std::string::npos)
        << log;

    // Rewriting it: the service is there, so no second one.
    EXPECT_EQ(configure("ann@example.com", "Ann", false, true), OutcomeConfigured);
    EXPECT_EQ(newSections().size(), 2u);
    EXPECT_EQ(logText().rfind("Corporate/Workgroup"), log.rfind("Corporate/Workgroup"));
}

TEST_F(Outlook2000Corporate, AutomaticAccountsNameTheirSectionWithThePrefix) {
    EXPECT_EQ(configureAutomatic(false, false), OutcomeConfigured);
    EXPECT_EQ(mapi_.calls(), releasedCalls("Work", "ann@example.com")) << "the service itself has the plain address";
    ASSERT_FALSE(newSections().empty());
    EXPECT_EQ(newSections()[0],
              "sz:MailServiceEntry\\0|sz:Internet E-Mail - QM-ann@example.com\\0|sz:QM-ann@example.com\\0");
}

TEST_F(Outlook2000Corporate, AFailedMapiCallIsAFailureAndEverythingIsReleased) {
    struct Case {
        MapiCall call;
        std::uint32_t code;
        std::string line;
        std::string calls;
    };
    const Case cases[] = {
        {MapiCall::Initialize, 0x80040605, "Error initializing MAPI. hRes = 0x80040605", "MAPIInitialize\n"},
        {MapiCall::AdminProfiles, 0x80004005, "Error getting IProfAdmin interface. hRes = 0x80004005",
         "MAPIInitialize\nMAPIAdminProfiles\nMAPIUninitialize\n"},
        {MapiCall::LogonEx, 0x80040111, "Error logging on. hRes = 0x80040111",
         "MAPIInitialize\nMAPIAdminProfiles\nMAPILogonEx Work\nRelease IProfAdmin\nMAPIUninitialize\n"},
        {MapiCall::AdminServices, 0x8007000e, "Error getting IMsgServiceAdmin interface. hRes = 0x8007000e",
         "MAPIInitialize\nMAPIAdminProfiles\nMAPILogonEx Work\nAdminServices Work\nLogoff\nRelease IMAPISession\n"
         "Release IProfAdmin\nMAPIUninitialize\n"},
        {MapiCall::CreateMsgService, 0x80040102, "Error creating Exchange message service. hRes = 0x80040102",
         "MAPIInitialize\nMAPIAdminProfiles\nMAPILogonEx Work\nAdminServices Work\nCreateMsgService IMAIL "
         "ann@example.com\nRelease IMsgServiceAdmin\nLogoff\nRelease IMAPISession\nRelease IProfAdmin\n"
         "MAPIUninitialize\n"},
    };
    for (const auto& c : cases) {
        platform::testing::deleteKeyTree(Hive::CurrentUser, kOmiManager);
        platform::deleteFile(logFile());
        platform::testing::StandInMapi mapi;
        mapi.failCall(c.call, static_cast<platform::HResult>(c.code));
        EXPECT_EQ(configure("ann@example.com", "Ann", false, false), OutcomeCannotConfigure) << c.line;
        EXPECT_EQ(mapi.calls(), c.calls) << c.line;
        const std::string log = logText();
        EXPECT_NE(log.find(c.line + "\nThe registry was put back as it was before this run.\n"), std::string::npos)
            << log;
        // Of no use without its service, the account goes again.
        EXPECT_EQ(describeValue(Hive::CurrentUser, accountKey("ann@example.com"), "Account Name"), "missing key")
            << c.line;
        EXPECT_EQ(newSections(), std::vector<std::string>{}) << c.line;
    }
    // A rerun makes the account and its service.
    platform::testing::StandInMapi working;
    EXPECT_EQ(configure("ann@example.com", "Ann", false, false), OutcomeConfigured);
    EXPECT_EQ(newSections().size(), 2u);
}

TEST_F(Outlook2000Corporate, WithoutAUsableDefaultProfileNothingIsWritten) {
    struct Case {
        const char* what;
        std::function<void()> seed;
        ConfigOutcome outcome;
    };
    const Case cases[] = {
        {"the profile prompt",
         [] { seedText(Hive::CurrentUser, kExchangeOptions, "PickLogonProfile", "1"); }, OutcomeNoDefaultProfile},
        {"no Profiles key", [] { platform::testing::deleteKeyTree(Hive::CurrentUser, kProfiles); },
         OutcomeRegistryUnavailable},
        {"no DefaultProfile value",
         [] {
             platform::testing::deleteKeyTree(Hive::CurrentUser, kProfiles);
             seedKey(Hive::CurrentUser, kProfiles + "\\Work");
         },
         OutcomeNoDefaultProfile},
        {"a default profile that does not exist",
         [] { seedText(Hive::CurrentUser, kProfiles, "DefaultProfile", "Gone"); }, OutcomeNoDefaultProfile},
    };
    for (const auto& c : cases) {
        platform::testing::deleteKeyTree(Hive::CurrentUser, kExchangeOptions);
        platform::testing::deleteKeyTree(Hive::CurrentUser, kProfiles);
        seedText(Hive::CurrentUser, kProfiles, "DefaultProfile", "Work");
        seedKey(Hive::CurrentUser, profileKey());
        c.seed();
        EXPECT_EQ(configure("ann@example.com", "Ann", false, false), c.outcome) << c.what;
        EXPECT_EQ(describeValue(Hive::CurrentUser, accountKey("ann@example.com"), "Account Name"), "missing key")
            << c.what;
        EXPECT_EQ(mapi_.calls(), "") << c.what;
        EXPECT_FALSE(platform::fileExists(logFile()) && !logText().empty()) << c.what << logText();
    }
}

}  // namespace
}  // namespace tw::test
