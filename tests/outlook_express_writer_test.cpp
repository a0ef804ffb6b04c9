// The Outlook Express writer: search, create, reset or skip, the registry
// values, the default account, the automatic mode and the readers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clients/outlook_express_winmail/outlook_express_writer.h"
#include "core/markers.h"
#include "core/provider.h"
#include "platform/files.h"
#include "tests/support/test_env.h"

namespace tw::test {
namespace {

using platform::Hive;

constexpr const char* kManager = "Software\\Microsoft\\Internet Account Manager";
constexpr const char* kAccounts = "Software\\Microsoft\\Internet Account Manager\\Accounts";

std::string accountKey(const std::string& name) { return std::string(kAccounts) + "\\" + name; }

const std::vector<std::string>& accountValueNames() {
    static const std::vector<std::string> names = {
        "Account Name", "Connection Type", "IMAP Dirty", "IMAP Poll All Folders", "IMAP Polling", "IMAP Port",
        "IMAP Prompt for Password", "IMAP Root Folder", "IMAP Secure Connection", "IMAP Server", "IMAP Timeout",
        "IMAP User Name", "SMTP Display Name", "SMTP Email Address", "SMTP Port", "SMTP Prompt for Password",
        "SMTP Secure Connection", "SMTP Server", "SMTP Split Messages", "SMTP Timeout", "SMTP Use Sicily",
        "SMTP User Name"};
    return names;
}

// Every value the writer owns, one "name=value" line each.
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
    return "Account Name=sz:" + accountName + "\\0\n" + "Connection Type=dword:3\n" + "IMAP Dirty=dword:0\n" +
           "IMAP Poll All Folders=dword:1\n" + "IMAP Polling=dword:1\n" + "IMAP Port=dword:" +
           std::to_string(s.imapPort) + "\n" + "IMAP Prompt for Password=dword:1\n" +
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
    return "The following settings were written/overwritten in the system registry:\n\n"
           "Account Name: " + accountName + "\n" + "Connection Type: 3\n" + "IMAP Port: " +
           std::to_string(s.imapPort) + "\n" + "IMAP Prompt for Password: 1\n" + "IMAP Server: " +
           std::string(s.incomingHost) + "\n" + "IMAP Timeout: 60\n" + "IMAP User Name: " + address + "\n" +
           "SMTP Display Name: " + display + "\n" + "SMTP Email Address: " + address + "\n" + "SMTP Port: " +
           std::to_string(s.smtpPort) + "\n" + "SMTP Prompt for Password: 1\n" + "SMTP Secure Connection: " +
           (ssl ? "1" : "0") + "\n" + "SMTP Server: " + std::string(s.outgoingHost) + "\n" +
           "SMTP Split Messages: 0\n" + "SMTP Timeout: 60\n" + "SMTP Use Sicily: 2\n" + "SMTP User Name: " +
           address + "\n\n";
}

class OutlookExpressWriterTest : public TidewellTest {
protected:
    OutlookExpressWriterTest() { seedKey(Hive::CurrentUser, kAccounts); }

    ConfigOutcome configure(const std::string& address, const std::string& display, bool makeDefault,
                            bool overwrite, bool ssl = true) {
        SessionLog log;
        EXPECT_TRUE(log.open(logFile()));
        OutlookExpressWriter writer(address, display, makeDefault, overwrite, ssl, log);
        return writer.configure();
    }

    void seedAccount(const std::string& key, const std::string& address, const std::string& display = "Old") {
        seedText(Hive::CurrentUser, accountKey(key), "Account Name", "Old account");
        seedText(Hive::CurrentUser, accountKey(key), "SMTP Email Address", address);
        seedText(Hive::CurrentUser, accountKey(key), "SMTP Display Name", display);
        seedDword(Hive::CurrentUser, accountKey(key), "IMAP Port", 110);
        seedText(Hive::CurrentUser, accountKey(key), "POP3 Server", "pop.old.example");
    }
};

TEST_F(OutlookExpressWriterTest, FirstAccountIsCreatedAndBecomesDefault) {
    EXPECT_EQ(configure("ann@example.com", "Ann Example", false, false), OutcomeConfigured);
    EXPECT_EQ(accountValues("ann@example.com"), expectedValues("ann@example.com", "ann@example.com", "Ann Example", true));
    EXPECT_EQ(describeValue(Hive::CurrentUser, kManager, "Default Mail Account"), "sz:ann@example.com\\0");
    EXPECT_EQ(logText(), "Starting Outlook Express configuration...\n\n"
                         "Searching for existing ann@example.com account ... \n"
                         "...not found. Creating new account.\n\n" +
                             settingsLog("ann@example.com", "ann@example.com", "Ann Example", true) +
                             "Writing at RegKey: Software\\Microsoft\\Internet Account Manager\\Accounts\\"
                             "ann@example.com\\\n");
}

TEST_F(OutlookExpressWriterTest, SecondAccountLeavesTheDefaultAndTheOtherAccount) {
    seedAccount("00000001", "old@example.com");
    seedText(Hive::CurrentUser, kManager, "Default Mail Account", "00000001");
    EXPECT_EQ(configure("ann@example.com", "Ann", false, false, false), OutcomeConfigured);
    EXPECT_EQ(accountValues("ann@example.com"), expectedValues("ann@example.com", "ann@example.com", "Ann", false));
    EXPECT_EQ(describeValue(Hive::CurrentUser, kManager, "Default Mail Account"), "sz:00000001\\0");
    EXPECT_EQ(describeValue(Hive::CurrentUser, accountKey("00000001"), "POP3 Server"), "sz:pop.old.example\\0");
    EXPECT_NE(logText().find("\tFound address: 'old@example.com' at: Software\\Microsoft\\Internet Account "
                             "Manager\\Accounts\\00000001\\\n...not found. Creating new account."),
              std::string::npos)
        << logText();
}

TEST_F(OutlookExpressWriterTest, AnExistingAccountIsLeftAloneWithoutOverwrite) {
    seedAccount("00000001", "ann@example.com");
    EXPECT_EQ(configure("ann@example.com", "Ann", true, false), OutcomeAccountExists);
    EXPECT_EQ(describeValue(Hive::CurrentUser, accountKey("00000001"), "IMAP Port"), "dword:110");
    EXPECT_EQ(describeValue(Hive::CurrentUser, kManager, "Default Mail Account"), "missing");
    EXPECT_EQ(logText(), "Starting Outlook Express configuration...\n\n"
                         "Searching for existing ann@example.com account ... \n"
                         "\tFound address: 'ann@example.com' at: Software\\Microsoft\\Internet Account "
                         "Manager\\Accounts\\00000001\\\n"
                         "...found. No changes will be made.\n");
}

TEST_F(OutlookExpressWriterTest, OverwriteResetsTheExistingKeyInPlace) {
    seedAccount("00000001", "other@example.com");
    seedAccount("00000002", "ann@example.com");
    EXPECT_EQ(configure("ann@example.com", "Ann New", true, true), OutcomeConfigured);
    EXPECT_EQ(accountValues("00000002"), expectedValues("ann@example.com", "ann@example.com", "Ann New", true));
    EXPECT_EQ(describeValue(Hive::CurrentUser, accountKey("00000002"), "POP3 Server"), "sz:pop.old.example\\0")
        << "values the writer does not own stay";
    EXPECT_EQ(describeValue(Hive::CurrentUser, accountKey("ann@example.com"), "Account Name"), "missing key");
    EXPECT_EQ(describeValue(Hive::CurrentUser, kManager, "Default Mail Account"), "sz:00000002\\0")
        << "the default names the account's key";
    EXPECT_NE(logText().find("...found. Resetting settings to defaults.\n\n"), std::string::npos);
}

TEST_F(OutlookExpressWriterTest, AddressesCompareExactly) {
    // Another letter case in the stored address is another account.
    seedAccount("00000001", "Ann@Example.com");
    EXPECT_EQ(configure("ann@example.com", "Ann", false, false), OutcomeConfigured);
    EXPECT_EQ(describeValue(Hive::CurrentUser, accountKey("00000001"), "IMAP Port"), "dword:110");
}

// A key already bearing the new account's name under another spelling is the
// same key to Windows, whose case folding goes beyond ASCII (code page 1252).
TEST_F(OutlookExpressWriterTest, AKeyOfTheNewNameInAnotherSpellingIsTheSameAccount) {
    struct Case {
        std::string storedKey;
        std::string address;
        bool sameKey;
    };
    const Case cases[] = {
        {"Bob@Example.com", "bob@example.com", true},
        {"JOS\xC9@example.com", "jos\xE9@example.com", true},
        {"\x8A\x8C\x8E\x9F@example.com", "\x9A\x9C\x9E\xFF@example.com", true},  // Š Œ Ž Ÿ
        {"a\xD7z@example.com", "a\xF7z@example.com", false},                    // × and ÷ are no pair
    };
    for (const Case& c : cases) {
        // Outlook Express's own key for the address, with the address as stored.
        seedAccount(c.storedKey, c.storedKey);
        const std::string before = registryDump(Hive::CurrentUser, kManager);
        EXPECT_EQ(configure(c.address, "New", false, false), c.sameKey ? OutcomeAccountExists : OutcomeConfigured)
            << c.address;
        if (!c.sameKey) {
            EXPECT_EQ(describeValue(Hive::CurrentUser, accountKey(c.address), "SMTP Email Address"),
                      "sz:" + c.address + "\\0");
            EXPECT_EQ(describeValue(Hive::CurrentUser, accountKey(c.storedKey), "IMAP Port"), "dword:110");
            continue;
        }
        EXPECT_EQ(registryDump(Hive::CurrentUser, kManager), before) << "nothing written over: " << c.address;

        // With -u the writer resets that key, which keeps its spelling, and
        // names it so as the default.
        EXPECT_EQ(configure(c.address, "New", true, true), OutcomeConfigured) << c.address;
        EXPECT_EQ(accountValues(c.storedKey), expectedValues(c.address, c.address, "New", true)) << c.address;
        EXPECT_EQ(describeValue(Hive::CurrentUser, kManager, "Default Mail Account"), "sz:" + c.storedKey + "\\0");
        EXPECT_NE(logText().find("Writing at RegKey: " + accountKey(c.storedKey) + "\\\n"), std::string::npos);
    }
}

TEST_F(OutlookExpressWriterTest, AccountsWithoutATextAddressNeverMatch) {
    seedText(Hive::CurrentUser, accountKey("00000001"), "LDAP Server", "ldap.example");
    seedDword(Hive::CurrentUser, accountKey("00000002"), "SMTP Email Address", 7);
    seedText(Hive::CurrentUser, accountKey("00000003"), "SMTP Email Address", std::string(300, 'a') + "@x.example");
    EXPECT_EQ(configure("ann@example.com", "Ann", false, false), OutcomeConfigured);
    const std::string log = logText();
    EXPECT_NE(log.find("\tFound address: '' at: Software\\Microsoft\\Internet Account Manager\\Accounts\\00000001\\"),
              std::string::npos);
    EXPECT_NE(log.find("\tFound address: '' at: Software\\Microsoft\\Internet Account Manager\\Accounts\\00000002\\"),
              std::string::npos);
    EXPECT_NE(log.find("\tFound address: '" + std::string(300, 'a') + "@x.example' at: "), std::string::npos)
        << "a long address is read whole";
}

TEST_F(OutlookExpressWriterTest, NoAccountsKeyCannotConfigure) {
    platform::testing::deleteKeyTree(Hive::CurrentUser, kManager);
    EXPECT_EQ(configure("ann@example.com", "Ann", true, true), OutcomeCannotConfigure);
    EXPECT_EQ(describeValue(Hive::CurrentUser, accountKey("ann@example.com"), "Account Name"), "missing key");
    EXPECT_EQ(logText(), "Starting Outlook Express configuration...\n\n"
                         "RegOpenKeyEx failed on HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account "
                         "Manager\\Accounts (error 2)\n");
}

// Failures Windows itself gives: a key name too long for the registry, and a
// manager key whose access list only lets the user read it (the default then
// cannot be set, after the account's values were written). The account and
// the default stay exactly as they were.
TEST_F(OutlookExpressWriterTest, RegistryFailuresLeaveEverythingAsItWas) {
    seedAccount("00000001", "bob@work.example", "Bob");
    seedAccount("ann@example.com", "ann@private.example", "Ann Private");
    seedText(Hive::CurrentUser, kManager, "Default Mail Account", "00000001");
    seedAccount("00000003", "ann@reset.example", "Ann Old");
    const std::string longAddress = std::string(300, 'a') + "@example.com";
    const std::string before = registryDump(Hive::CurrentUser, kManager);

    EXPECT_EQ(configure(longAddress, "Ann", true, false), OutcomeCannotConfigure);
    EXPECT_NE(logText().find("RegOpenKeyEx failed on HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account "
                             "Manager\\Accounts\\" + longAddress + " (error 234)\n"),
              std::string::npos)
        << logText();
    EXPECT_EQ(registryDump(Hive::CurrentUser, kManager), before);

    platform::testing::ReadOnlyKey lock(Hive::CurrentUser, kManager);
    ASSERT_TRUE(lock.applied());
    for (const bool reset : {false, true}) {
        platform::deleteFile(logFile());
        const std::string address = reset ? "ann@reset.example" : "new@example.com";
        EXPECT_EQ(configure(address, "Ann", true, reset), OutcomeCannotConfigure) << address;
        EXPECT_EQ(registryDump(Hive::CurrentUser, kManager), before) << address;
        const std::string end = "RegCreateKeyEx failed on HKEY_CURRENT_USER\\Software\\Microsoft\\Internet "
                                "Account Manager (error 5)\n"
                                "The registry was put back as it was before this run.\n";
        const std::string log = logText();
        EXPECT_EQ(log.substr(log.size() - std::min(log.size(), end.size())), end) << log;
    }
}

// Every registry call of a new account, a reset and a default failing in turn
// (the fake fails a chosen call): outcome 1, a log line naming the call, and
// the store as it was before.
TEST_F(OutlookExpressWriterTest, AFailureOfAnyCallIsUndoneWhole) {
    using platform::testing::RegistryCall;
    seedAccount("00000001", "bob@work.example", "Bob");
    seedAccount("00000002", "ann@reset.example", "Ann Old");
    seedText(Hive::CurrentUser, kManager, "Default Mail Account", "00000001");
    const std::string before = registryDump(Hive::CurrentUser, kManager);
    struct Call {
        RegistryCall call;
        std::string name;
        std::string failure;
    };
    std::vector<Call> calls = {
        {RegistryCall::OpenKey, "Accounts", "RegOpenKeyEx failed on HKEY_CURRENT_USER\\" + std::string(kAccounts)},
        {RegistryCall::QueryInfoKey, "Accounts", "RegQueryInfoKey failed on HKEY_CURRENT_USER\\" +
                                                     std::string(kAccounts)},
        {RegistryCall::EnumKey, "Accounts", "RegEnumKeyEx failed on HKEY_CURRENT_USER\\" + std::string(kAccounts)},
        {RegistryCall::DeleteValue, "Default Mail Account",
         "RegDeleteValue failed on HKEY_CURRENT_USER\\" + std::string(kManager) + " value \"Default Mail Account\""},
        {RegistryCall::SetValue, "Default Mail Account",
         "RegSetValueEx failed on HKEY_CURRENT_USER\\" + std::string(kManager) + " value \"Default Mail Account\""},
    };
    for (const auto& value : accountValueNames()) {
        calls.push_back({RegistryCall::SetValue, value, "RegSetValueEx failed on HKEY_CURRENT_USER\\" +
                                                            std::string(kAccounts) + "\\<key> value \"" + value + "\""});
    }
    for (const bool reset : {false, true}) {
        const std::string address = reset ? "ann@reset.example" : "new@example.com";
        const std::string key = reset ? "00000002" : address;
        auto expectedCalls = calls;
        expectedCalls.push_back({RegistryCall::CreateKey, key,
                                 "RegCreateKeyEx failed on HKEY_CURRENT_USER\\" + accountKey(key)});
        for (const Call& c : expectedCalls) {
            if (!platform::testing::failNextRegistryCall(c.call, c.name, platform::kErrorAccessDenied)) {
                GTEST_SKIP() << "only the fake backend fails a call on demand";
            }
            platform::deleteFile(logFile());
            std::string failure = c.failure;
            if (const auto at = failure.find("<key>"); at != std::string::npos) failure.replace(at, 5, key);
            EXPECT_EQ(configure(address, "Ann", true, reset), OutcomeCannotConfigure) << failure;
            EXPECT_NE(logText().find(failure + " (error 5)\n"), std::string::npos) << failure << "\n" << logText();
            EXPECT_EQ(registryDump(Hive::CurrentUser, kManager), before) << failure;
        }
    }
}

class OutlookExpressAutomatic : public OutlookExpressWriterTest {
protected:
    ConfigOutcome configureAutomatic(bool overwrite) {
        SessionLog log;
        EXPECT_TRUE(log.open(logFile()));
        OutlookExpressWriter writer("", "", false, false, true, log);
        writer.setAutomaticMode();
        writer.setAutomaticPrefix("QM-");
        writer.reset("ann@example.com", "Ann", false, overwrite, true, log);
        return writer.configure();
    }
};

TEST_F(OutlookExpressAutomatic, CreatesThePrefixedAccountOnce) {
    seedAccount("00000001", "ann@example.com", "Ann");
    seedText(Hive::CurrentUser, kManager, "Default Mail Account", "00000001");
    EXPECT_EQ(configureAutomatic(false), OutcomeConfigured);
    EXPECT_EQ(accountValues("QM-ann@example.com"), expectedValues("QM-ann@example.com", "ann@example.com", "Ann", true));
    EXPECT_EQ(describeValue(Hive::CurrentUser, accountKey("00000001"), "IMAP Port"), "dword:110");
    EXPECT_EQ(logText().find("Found address"), std::string::npos) << "no address lines in the automatic search";

    EXPECT_EQ(configureAutomatic(false), OutcomeAutoAccountExists);
    EXPECT_NE(logText().find("...found. Quitting.\n"), std::string::npos);
    seedDword(Hive::CurrentUser, accountKey("QM-ann@example.com"), "IMAP Port", 1);
    EXPECT_EQ(configureAutomatic(true), OutcomeConfigured);
    EXPECT_EQ(describeValue(Hive::CurrentUser, accountKey("QM-ann@example.com"), "IMAP Port"), "dword:993");
}

class OutlookExpressReaders : public OutlookExpressWriterTest {
protected:
    OutlookExpressReaders() : writer_("", "", false, false, true, log_) { log_.open(logFile()); }
    SessionLog log_;
    OutlookExpressWriter writer_;
};

TEST_F(OutlookExpressReaders, DefaultAccountAndItsValues) {
    seedAccount("00000001", "ann@example.com", "Ann Example");
    seedText(Hive::CurrentUser, kManager, "Default Mail Account", "00000001");
    EXPECT_EQ(writer_.defaultAccountName(), "00000001");
    EXPECT_EQ(writer_.accountAddress("00000001"), "ann@example.com");
    EXPECT_EQ(writer_.accountDisplayName("00000001"), "Ann Example");
    EXPECT_EQ(writer_.accountAddress("00000009"), kErrorMarker);
    EXPECT_EQ(writer_.accountDisplayName("00000009"), kErrorMarker);
    log_.close();
    EXPECT_EQ(logText(), "GetDefAcct Test Result: 0\nResult: 00000001\n"
                         "GetAcctAddr Test Result: 0\nResult: ann@example.com\n"
                         "GetAcctAddr Test Result: 2\n");
}

TEST_F(OutlookExpressReaders, MissingOrMistypedValuesReadAsErrors) {
    EXPECT_EQ(writer_.defaultAccountName(), kErrorMarker) << "no default value";
    seedDword(Hive::CurrentUser, accountKey("00000001"), "SMTP Email Address", 1);
    EXPECT_EQ(writer_.accountAddress("00000001"), kErrorMarker);
    platform::testing::deleteKeyTree(Hive::CurrentUser, kManager);
    EXPECT_EQ(writer_.defaultAccountName(), kErrorMarker);
}

TEST_F(OutlookExpressReaders, ReadingNeverCreatesAKey) {
    platform::testing::deleteKeyTree(Hive::CurrentUser, kManager);
    EXPECT_EQ(writer_.findAccountByAddress("ann@example.com"), kErrorMarker);
    EXPECT_EQ(writer_.defaultAccountName(), kErrorMarker);
    EXPECT_EQ(registryDump(Hive::CurrentUser, kManager), "missing key\n");
}

TEST_F(OutlookExpressReaders, FindByAddressTakesTheFirstSubstringMatch) {
    seedAccount("00000001", "other@example.com");
    seedAccount("00000002", "joann@example.com");
    seedAccount("00000003", "ann@example.com");
    EXPECT_EQ(writer_.findAccountByAddress("ann@example.com"), "00000002");
    EXPECT_EQ(writer_.findAccountByAddress("ANN@example.com"), kErrorMarker) << "case-sensitive";
    EXPECT_EQ(writer_.findAccountByAddress("nobody@example.com"), kErrorMarker);
}

}  // namespace
}  // namespace tw::test
