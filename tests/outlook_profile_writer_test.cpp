// The Outlook 2002-and-later writer: new and rewritten accounts in the default
// profile's account store, the account list, NextAccountID and LastChangeVer,
// hand-edited stores, the automatic mode and the readers.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "clients/outlook/outlook_profile_writer.h"
#include "clients/outlook/outlook_store.h"
#include "core/markers.h"
#include "core/provider.h"
#include "platform/files.h"
#include "platform/testing.h"
#include "tests/support/outlook_fixture.h"

namespace tw::test {
namespace {

using platform::Hive;

// Every value the writer owns, as "name=type:bytes" lines in its writing order.
std::string accountValues(const std::string& key) {
    std::string text;
    for (const char* name : {"Account Name", "clsid", "Display Name", "Email", "IMAP Dirty", "IMAP Poll All Folders",
                             "IMAP Polling", "IMAP Port", "IMAP Server", "IMAP Use SSL", "IMAP User",
                             "IMAP Root Folder", "SMTP Port", "SMTP Use Auth", "SMTP Server", "SMTP Use SSL"}) {
        text += std::string(name) + "=" + rawValue(key, name) + "\n";
    }
    return text;
}

std::string dwordHex(std::uint32_t n) { return "4:" + hexBytes(idList({n})); }

std::string expectedValues(const std::string& accountName, const std::string& address, const std::string& display,
                           bool ssl) {
    const ProviderServers s = providerServers(ssl);
    return "Account Name=3:" + hexBytes(utf16z(accountName)) + "\n" +
           "clsid=1:" + hexBytes(std::string("{ED475412-B0D6-11D2-8C3B-00104B2A6676}", 39)) + "\n" +
           "Display Name=3:" + hexBytes(utf16z(display)) + "\n" + "Email=3:" + hexBytes(utf16z(address)) + "\n" +
           "IMAP Dirty=" + dwordHex(0) + "\n" + "IMAP Poll All Folders=" + dwordHex(1) + "\n" +
           "IMAP Polling=" + dwordHex(1) + "\n" + "IMAP Port=" + dwordHex(static_cast<std::uint32_t>(s.imapPort)) +
           "\n" + "IMAP Server=3:" + hexBytes(utf16z(s.incomingHost)) + "\n" + "IMAP Use SSL=" + dwordHex(ssl) +
           "\n" + "IMAP User=3:" + hexBytes(utf16z(address)) + "\n" + "IMAP Root Folder=3:" +
           hexBytes(utf16z("INBOX.")) + "\n" + "SMTP Port=" + dwordHex(static_cast<std::uint32_t>(s.smtpPort)) +
           "\n" + "SMTP Use Auth=" + dwordHex(1) + "\n" + "SMTP Server=3:" + hexBytes(utf16z(s.outgoingHost)) +
           "\n" + "SMTP Use SSL=" + dwordHex(ssl) + "\n";
}

std::string summary(const std::string& accountName, const std::string& address, const std::string& display,
                    bool ssl) {
    const ProviderServers s = providerServers(ssl);
    return "\nThe following settings were written/overwritten in the system registry:\n\n"
           "Account Name: " + accountName + "\n" +
           "clsid: {ED475412-B0D6-11D2-8C3B-00104B2A6676}\n"
           "Display Name: " + display + "\n" + "Email: " + address + "\n" + "IMAP Port: " +
           std::to_string(s.imapPort) + "\n" +
           "IMAP Prompt for Password: 1\n"
           "IMAP Secure Connection: 1\n"
           "IMAP Server: " + std::string(s.incomingHost) + "\n" +
           "IMAP Timeout: 60\n"
           "IMAP User Name: " + address + "\n" +
           "IMAP Poll All Folders: 1\n"
           "IMAP Polling: 1\n"
           "IMAP Root Folder: INBOX.\n"
           "SMTP Port: " + std::to_string(s.smtpPort) + "\n" + "SMTP Server: " + std::string(s.outgoingHost) +
           "\n" + "SMTP Use SSL: " + (ssl ? "1" : "0") + "\n\n";
}

class OutlookProfileWriterTest : public TidewellTest {
protected:
    ConfigOutcome configure(const std::string& address, const std::string& display, bool makeDefault,
                            bool overwrite, bool ssl = true) {
        SessionLog log;
        EXPECT_TRUE(log.open(logFile()));
        OutlookProfileWriter writer(address, display, makeDefault, overwrite, ssl, log);
        return writer.configure();
    }
    ConfigOutcome configureAutomatic(const std::string& address, bool overwrite) {
        SessionLog log;
        EXPECT_TRUE(log.open(logFile()));
        OutlookProfileWriter writer("", "", false, false, true, log);
        writer.setAutomaticMode();
        writer.setAutomaticPrefix("QM-");
        writer.reset(address, "Ann", false, overwrite, true, log);
        return writer.configure();
    }
    std::string store(const std::string& name) { return binaryHex(storePath("Home"), name); }
};

TEST_F(OutlookProfileWriterTest, NewAccountExtendsTheListAndTheCounters) {
    struct Case {
        bool makeDefault;
        std::string list;
    };
    const Case cases[] = {{false, "01 00 00 00 02 00 00 00 03 00 00 00"}, {true, "03 00 00 00 01 00 00 00 02 00 00 00"}};
    for (const auto& c : cases) {
        platform::testing::deleteKeyTree(Hive::CurrentUser, kProfiles);
        platform::deleteFile(logFile());
        seedProfileStore("Home", 3, {1, 2});
        seedProfileAccount("Home", "00000001", "one@example.com");
        seedProfileAccount("Home", "00000002", "two@example.com");
        const std::string before1 = accountValues(profileAccount("Home", "00000001"));

        EXPECT_EQ(configure("ann@example.com", "Ann Example", c.makeDefault, false), OutcomeConfigured);
        EXPECT_EQ(accountValues(profileAccount("Home", "00000003")),
                  expectedValues("ann@example.com", "ann@example.com", "Ann Example", true));
        EXPECT_EQ(store(kAccountList), c.list);
        EXPECT_EQ(rawValue(storePath("Home"), "NextAccountID"), dwordHex(4));
        EXPECT_EQ(store("LastChangeVer"), "0c 00 00 00 00 00 00 00");
        EXPECT_EQ(accountValues(profileAccount("Home", "00000001")), before1) << "other accounts stay";
        EXPECT_EQ(logText(), "Starting Outlook configuration...\n\n"
                             "Searching for existant ann@example.com account ... not found. Creating new account.\n" +
                                 summary("ann@example.com", "ann@example.com", "Ann Example", true));
    }
}

TEST_F(OutlookProfileWriterTest, IdsAreLowerCaseHexAndLastChangeVerCarries) {
    seedProfileStore("Home", 26, {}, std::string_view("\xff\0\0\0\0\0\0\0", 8));
    EXPECT_EQ(configure("ann@example.com", "Ann", false, false, false), OutcomeConfigured);
    EXPECT_EQ(accountValues(profileAccount("Home", "0000001a")),
              expectedValues("ann@example.com", "ann@example.com", "Ann", false));
    EXPECT_EQ(store("LastChangeVer"), "00 01 00 00 00 00 00 00");
    // SSL off stores 0 for SSL, yet the summary keeps its fixed line.
    EXPECT_NE(logText().find(summary("ann@example.com", "ann@example.com", "Ann", false)), std::string::npos);
}

TEST_F(OutlookProfileWriterTest, AnExistingAddressIsFoundIgnoringCase) {
    seedProfileStore("Home", 3, {1, 2});
    seedProfileAccount("Home", "00000001", "one@example.com");
    seedProfileAccount("Home", "00000002", "Ann@Example.COM");
    const std::string before = accountValues(profileAccount("Home", "00000002"));
    EXPECT_EQ(configure("ann@example.com", "Ann", true, false), OutcomeAccountExists);
    EXPECT_EQ(accountValues(profileAccount("Home", "00000002")), before);
    EXPECT_EQ(store("LastChangeVer"), "0b 00 00 00 00 00 00 00") << "nothing written, no change counted";
    EXPECT_EQ(store(kAccountList), "01 00 00 00 02 00 00 00");
    EXPECT_EQ(logText(), "Starting Outlook configuration...\n\n"
                         "Searching for existant ann@example.com account ...  found. No changes will be made.\n");

    // Rewriting it keeps its key, its values of its own and NextAccountID; the
    // list changes only with makeDefault.
    EXPECT_EQ(configure("ann@example.com", "Ann New", false, true), OutcomeConfigured);
    EXPECT_EQ(accountValues(profileAccount("Home", "00000002")),
              expectedValues("ann@example.com", "ann@example.com", "Ann New", true));
    EXPECT_EQ(rawValue(profileAccount("Home", "00000002"), "IMAP Port"), dwordHex(993));
    EXPECT_EQ(store(kAccountList), "01 00 00 00 02 00 00 00");
    EXPECT_EQ(rawValue(storePath("Home"), "NextAccountID"), dwordHex(3));
    EXPECT_EQ(store("LastChangeVer"), "0c 00 00 00 00 00 00 00");
    EXPECT_NE(logText().find("account ...  found. Reseting settings to defaults.\n\nThe following settings"),
              std::string::npos)
        << logText();

    // An account the list does not name (a hand edit) would stay out of
    // Outlook's sight: it joins the list at its end.
    seedRaw(Hive::CurrentUser, storePath("Home"), kAccountList, platform::kRegBinary, idList({1}));
    EXPECT_EQ(configure("ann@example.com", "Ann New", false, true), OutcomeConfigured);
    EXPECT_EQ(store(kAccountList), "01 00 00 00 02 00 00 00");
}

TEST_F(OutlookProfileWriterTest, MakeDefaultRebuildsTheListWithTheAccountFirst) {
    // Sixty accounts (no 50-account cap), one without an address, and subkeys
    // that are no accounts at all.
    std::vector<std::uint32_t> ids;
    for (std::uint32_t id = 1; id <= 60; ++id) {
        ids.push_back(id);
        seedProfileAccount("Home", accountIdName(id), "user" + std::to_string(id) + "@example.com");
    }
    seedProfileStore("Home", 61, ids);
    seedRaw(Hive::CurrentUser, profileAccount("Home", "0000003d"), "Account Name", platform::kRegBinary, utf16z("LDAP"));
    seedProfileAccount("Home", "notes", "ann@example.com");
    seedProfileAccount("Home", "1", "ann@example.com");

    EXPECT_EQ(configure("user40@example.com", "Forty", true, true), OutcomeConfigured);
    std::vector<std::uint32_t> expected = {40};
    for (std::uint32_t id = 1; id <= 60; ++id) {
        if (id != 40) expected.push_back(id);
    }
    EXPECT_EQ(store(kAccountList), hexBytes(idList(expected)));
    EXPECT_EQ(rawValue(storePath("Home"), "NextAccountID"), dwordHex(61));
    EXPECT_EQ(rawValue(profileAccount("Home", "notes"), "Display Name"), "3:" + hexBytes(utf16z("Old")))
        << "a subkey that is no account is not taken for one";
}

TEST_F(OutlookProfileWriterTest, HandEditedStores) {
    struct Case {
        const char* what;
        std::function<void()> seed;
        std::string newKey;
        std::string list;
        std::string next;
        std::string change;  // LastChangeVer's first byte after the run
    };
    const Case cases[] = {
        {"no NextAccountID",
         [] {
             seedRaw(Hive::CurrentUser, storePath("Home"), kAccountList, platform::kRegBinary, idList({1}));
             seedProfileAccount("Home", "00000001", "one@example.com");
         },
         "00000002", "01 00 00 00 02 00 00 00", dwordHex(3), "01"},
        {"NextAccountID names an account",
         [] {
             seedProfileStore("Home", 2, {2});
             seedProfileAccount("Home", "00000002", "two@example.com");
             seedProfileAccount("Home", "00000003", "three@example.com");
         },
         "00000004", "02 00 00 00 04 00 00 00", dwordHex(5), "0c"},
        {"NextAccountID of the wrong type",
         [] {
             seedText(Hive::CurrentUser, storePath("Home"), "NextAccountID", "7");
             seedProfileAccount("Home", "00000001", "one@example.com");
         },
         "00000002", "02 00 00 00", dwordHex(3), "01"},
        {"an odd list length",
         [] { seedProfileStore("Home", 5, {}, {}); seedRaw(Hive::CurrentUser, storePath("Home"), kAccountList,
                                                           platform::kRegBinary, idList({4}) + "\x07\x00"); },
         "00000005", "04 00 00 00 05 00 00 00", dwordHex(6), "01"},
        {"no account list, no change counter",
         [] { seedDword(Hive::CurrentUser, storePath("Home"), "NextAccountID", 1); },
         "00000001", "01 00 00 00", dwordHex(2), "01"},
    };
    for (const auto& c : cases) {
        platform::testing::deleteKeyTree(Hive::CurrentUser, kProfiles);
        seedText(Hive::CurrentUser, kProfiles, "DefaultProfile", "Home");
        c.seed();
        EXPECT_EQ(configure("ann@example.com", "Ann", false, false), OutcomeConfigured) << c.what;
        EXPECT_EQ(accountValues(profileAccount("Home", c.newKey)),
                  expectedValues("ann@example.com", "ann@example.com", "Ann", true))
            << c.what;
        EXPECT_EQ(store(kAccountList), c.list) << c.what;
        EXPECT_EQ(rawValue(storePath("Home"), "NextAccountID"), c.next) << c.what;
        EXPECT_EQ(store("LastChangeVer"), c.change + " 00 00 00 00 00 00 00") << c.what;
    }
}

TEST_F(OutlookProfileWriterTest, NoStoreNoPromptNoWrite) {
    // PickLogonProfile stops the run before anything, even with a usable profile.
    seedProfileStore("Home", 1, {});
    seedText(Hive::CurrentUser, kExchangeOptions, "PickLogonProfile", "1");
    EXPECT_EQ(configure("ann@example.com", "Ann", false, false), OutcomeNoDefaultProfile);
    EXPECT_FALSE(platform::fileExists(logFile()) && !logText().empty()) << logText();
    seedText(Hive::CurrentUser, kExchangeOptions, "PickLogonProfile", "0");

    // The default profile has no store: the "Outlook" profile's is used.
    seedKey(Hive::CurrentUser, storePath("Outlook"));
    seedText(Hive::CurrentUser, kProfiles, "DefaultProfile", "Bare");
    seedKey(Hive::CurrentUser, kProfiles + "\\Bare");
    EXPECT_EQ(configure("ann@example.com", "Ann", false, false), OutcomeConfigured);
    EXPECT_EQ(binaryHex(profileAccount("Outlook", "00000001"), "Email"), hexBytes(utf16z("ann@example.com")));
    EXPECT_EQ(subkeys(kProfiles + "\\Bare"), std::vector<std::string>{}) << "no store created in Bare";

    // Outlook never run: no store at all, or no Profiles key.
    platform::testing::deleteKeyTree(Hive::CurrentUser, storePath("Outlook"));
    platform::deleteFile(logFile());
    EXPECT_EQ(configure("ann@example.com", "Ann", false, false), OutcomeClientNeverRun);
    EXPECT_EQ(logText(), "Starting Outlook configuration...\n\n");
    platform::testing::deleteKeyTree(Hive::CurrentUser, kProfiles);
    EXPECT_EQ(configure("ann@example.com", "Ann", false, false), OutcomeClientNeverRun);
}

TEST_F(OutlookProfileWriterTest, AnsiTextGoesInAsUtf16Exactly) {
    seedProfileStore("Home", 1, {});
    // Code page 1252: "Zoë \ Œuvre € „…“", an accented capital in the address.
    const std::string display = "Zo\xEB \\ \x8Cuvre \x80 \x84\x85\x93";
    const std::string address = "JOS\xC9@example.com";
    EXPECT_EQ(configure(address, display, false, false), OutcomeConfigured);
    EXPECT_EQ(binaryHex(profileAccount("Home", "00000001"), "Display Name"),
              "5a 00 6f 00 eb 00 20 00 5c 00 20 00 52 01 75 00 76 00 72 00 65 00 20 00 ac 20 20 00 1e 20 26 20 1c "
              "20 00 00");
    EXPECT_EQ(binaryHex(profileAccount("Home", "00000001"), "Email"),
              "4a 00 4f 00 53 00 c9 00 40 00 65 00 78 00 61 00 6d 00 70 00 6c 00 65 00 2e 00 63 00 6f 00 6d 00 00 00");
    // ...and reads back exactly.
    SessionLog log;
    OutlookProfileWriter reader("", "", false, false, true, log);
    EXPECT_EQ(reader.accountDisplayName("00000001"), display);
    EXPECT_EQ(reader.accountAddress("00000001"), address);
    EXPECT_EQ(configure(address, display, false, false), OutcomeAccountExists);
}

TEST_F(OutlookProfileWriterTest, AutomaticModeFindsItsOwnAccountByName) {
    seedProfileStore("Home", 3, {1, 2});
    seedProfileAccount("Home", "00000001", "ann@example.com", "Ann", "ann@example.com");
    seedProfileAccount("Home", "00000002", "ann@example.com", "Ann", "qm-ANN@example.com");
    EXPECT_EQ(configureAutomatic("ann@example.com", false), OutcomeAutoAccountExists);
    EXPECT_NE(logText().find(" found. Quitting.\n"), std::string::npos);
    EXPECT_EQ(configureAutomatic("ann@example.com", true), OutcomeConfigured);
    EXPECT_EQ(binaryHex(profileAccount("Home", "00000002"), "Account Name"), hexBytes(utf16z("QM-ann@example.com")));
    EXPECT_EQ(binaryHex(profileAccount("Home", "00000001"), "Account Name"), hexBytes(utf16z("ann@example.com")));
    EXPECT_EQ(subkeys(storePath("Home")), (std::vector<std::string>{"00000001", "00000002"}));
    // Another address makes a new prefixed account.
    EXPECT_EQ(configureAutomatic("bob@example.com", false), OutcomeConfigured);
    EXPECT_EQ(binaryHex(profileAccount("Home", "00000003"), "Account Name"), hexBytes(utf16z("QM-bob@example.com")));
}

// Every registry call that writes, failing in turn (the fake fails a chosen
// call), for a new account with makeDefault and for a reset with makeDefault:
// outcome 1, the failed call in the log, and the profiles as they were.
TEST_F(OutlookProfileWriterTest, AFailureOfAnyWriteIsUndoneWhole) {
    using platform::testing::RegistryCall;
    seedProfileStore("Home", 3, {1, 2});
    seedProfileAccount("Home", "00000001", "one@example.com");
    seedProfileAccount("Home", "00000002", "ann@reset.example");
    const std::string before = registryDump(Hive::CurrentUser, kProfiles);
    const std::vector<std::string> valueNames = {
        "Account Name", "clsid", "Display Name", "Email", "IMAP Dirty", "IMAP Poll All Folders", "IMAP Polling",
        "IMAP Port", "IMAP Server", "IMAP Use SSL", "IMAP User", "IMAP Root Folder", "SMTP Port", "SMTP Use Auth",
        "SMTP Server", "SMTP Use SSL"};
    for (const bool reset : {false, true}) {
        const std::string key = reset ? "00000002" : "00000003";
        struct Call {
            RegistryCall call;
            std::string name;
            std::string failure;
        };
        std::vector<Call> calls;
        for (const auto& value : valueNames) {
            calls.push_back({RegistryCall::SetValue, value, "RegSetValueEx failed on HKEY_CURRENT_USER\\" +
                                                                profileAccount("Home", key) + " value \"" + value + "\""});
        }
        for (const char* value : {kAccountList.c_str(), "LastChangeVer"}) {
            calls.push_back({RegistryCall::SetValue, value, "RegSetValueEx failed on HKEY_CURRENT_USER\\" +
                                                                storePath("Home") + " value \"" + value + "\""});
        }
        if (!reset) {
            calls.push_back({RegistryCall::SetValue, "NextAccountID",
                             "RegSetValueEx failed on HKEY_CURRENT_USER\\" + storePath("Home") +
                                 " value \"NextAccountID\""});
            calls.push_back({RegistryCall::CreateKey, key,
                             "RegCreateKeyEx failed on HKEY_CURRENT_USER\\" + profileAccount("Home", key)});
        }
        for (const Call& c : calls) {
            if (!platform::testing::failNextRegistryCall(c.call, c.name, platform::kErrorAccessDenied)) {
                GTEST_SKIP() << "only the fake backend fails a call on demand";
            }
            platform::deleteFile(logFile());
            const std::string address = reset ? "ann@reset.example" : "new@example.com";
            EXPECT_EQ(configure(address, "Ann", true, reset), OutcomeCannotConfigure) << c.failure;
            EXPECT_NE(logText().find(c.failure + " (error 5)\nThe registry was put back as it was before this run.\n"),
                      std::string::npos)
                << c.failure << "\n" << logText();
            EXPECT_EQ(logText().find("The following settings"), std::string::npos) << "no summary of a failed write";
            EXPECT_EQ(registryDump(Hive::CurrentUser, kProfiles), before) << c.failure;
        }
    }
}

TEST_F(OutlookProfileWriterTest, AStoreThatCannotBeWrittenIsLeftAsItWas) {
    seedProfileStore("Home", 2, {1});
    seedProfileAccount("Home", "00000001", "ann@example.com");
    const std::string before = registryDump(Hive::CurrentUser, kProfiles);
    platform::testing::ReadOnlyKey lock(Hive::CurrentUser, storePath("Home"));
    ASSERT_TRUE(lock.applied());
    EXPECT_EQ(configure("new@example.com", "New", false, false), OutcomeCannotConfigure);
    const std::string log = logText();
    EXPECT_NE(log.find(" failed on HKEY_CURRENT_USER\\" + storePath("Home")), std::string::npos) << log;
    EXPECT_NE(log.find(" (error 5)\nThe registry was put back as it was before this run.\n"), std::string::npos) << log;
    EXPECT_EQ(registryDump(Hive::CurrentUser, kProfiles), before);
    // Rewriting the existing account: its own key can be written, the store's
    // counters cannot; the account gets its old values back.
    EXPECT_EQ(configure("ann@example.com", "Ann New", true, true), OutcomeCannotConfigure);
    EXPECT_EQ(registryDump(Hive::CurrentUser, kProfiles), before);
}

class OutlookProfileReaders : public OutlookProfileWriterTest {
protected:
    OutlookProfileReaders() : writer_("", "", false, false, true, log_) {}
    SessionLog log_;
    OutlookProfileWriter writer_;
};

TEST_F(OutlookProfileReaders, DefaultAccountAndItsValues) {
    seedProfileStore("Home", 0x101, {0x100, 1});
    seedProfileAccount("Home", "00000100", "ann@example.com", "Ann Example");
    EXPECT_EQ(writer_.defaultAccountName(), "00000100");
    EXPECT_EQ(writer_.accountAddress("00000100"), "ann@example.com");
    EXPECT_EQ(writer_.accountDisplayName("00000100"), "Ann Example");
    EXPECT_EQ(writer_.accountAddress("00000001"), kErrorMarker) << "listed but missing";
    EXPECT_EQ(writer_.accountAddress("..\\00000100"), kErrorMarker);
    EXPECT_EQ(writer_.findAccountByAddress("nn@example"), "00000100");
    EXPECT_EQ(writer_.findAccountByAddress("ANN@example.com"), kErrorMarker) << "case-sensitive";
    seedRaw(Hive::CurrentUser, storePath("Home"), kAccountList, platform::kRegBinary, "");
    EXPECT_EQ(writer_.defaultAccountName(), kErrorMarker) << "an empty list";
}

TEST_F(OutlookProfileReaders, ReadingNeverCreatesAKey) {
    seedKey(Hive::CurrentUser, kProfiles + "\\Home");
    for (const char* profile : {"Home", ""}) {
        seedText(Hive::CurrentUser, kProfiles, "DefaultProfile", profile);
        EXPECT_EQ(writer_.defaultAccountName(), kErrorMarker);
        EXPECT_EQ(writer_.findAccountByAddress("ann@example.com"), kErrorMarker);
        EXPECT_EQ(writer_.accountAddress("00000001"), kErrorMarker);
        EXPECT_EQ(writer_.accountDisplayName("00000001"), kErrorMarker);
    }
    EXPECT_EQ(subkeys(kProfiles), std::vector<std::string>{"Home"});
    EXPECT_EQ(subkeys(kProfiles + "\\Home"), std::vector<std::string>{});
    platform::testing::deleteKeyTree(Hive::CurrentUser, kProfiles);
    EXPECT_EQ(writer_.defaultAccountName(), kErrorMarker);
    EXPECT_EQ(subkeys(kProfiles.substr(0, kProfiles.rfind('\\'))), std::vector<std::string>{});
}

}  // namespace
}  // namespace tw::test
