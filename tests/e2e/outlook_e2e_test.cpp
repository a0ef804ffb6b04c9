// End to end with Outlook: the real tidewell.exe under Wine, in the prefix's
// own registry. An Outlook 2003 profile store, Outlook 2000 in Internet-only
// mode, and Corporate/Workgroup mode twice: with Wine's own MAPI32 (which
// fails at MAPIInitialize) and with the stand-in MAPI32.DLL put in its place in
// the system folder, so the exe's real loading, calling and releasing code
// runs to success.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/testing.h"
#include "tests/support/outlook_fixture.h"

namespace tw::test {
namespace {

using platform::Hive;

const std::string kRegistration = "SOFTWARE\\Clients\\Mail\\Microsoft Outlook";
const std::string kWorkProfile = kProfiles + "\\Work";

std::string programFolder() { return platform::environmentVariable("TIDEWELL_BIN").value_or("."); }

// A DLL load order for tidewell.exe alone, as Wine reads it from its registry
// when a program starts (WINEDLLOVERRIDES set here would not reach a child: the
// loader takes it from the environment Wine itself was started with).
class ScopedDllOverride {
public:
    ScopedDllOverride(const std::string& dll, const std::string& order) {
        seedText(Hive::CurrentUser, kKey, dll, order);
    }
    ~ScopedDllOverride() { platform::testing::deleteKeyTree(Hive::CurrentUser, "Software\\Wine\\AppDefaults\\tidewell.exe"); }
    ScopedDllOverride(const ScopedDllOverride&) = delete;
    ScopedDllOverride& operator=(const ScopedDllOverride&) = delete;

private:
    static constexpr const char* kKey = "Software\\Wine\\AppDefaults\\tidewell.exe\\DllOverrides";
};

bool copyFile(const std::string& from, const std::string& to) {
    std::string bytes;
    return platform::readWholeFile(from, bytes) == platform::kSuccess &&
           platform::writeNewFile(to, bytes) == platform::kSuccess;
}

// Outlook as the system's default mail client for a while; Wine's own mailto
// command is put back at the end.
class ScopedOutlookMailto {
public:
    ScopedOutlookMailto() {
        platform::RegKey command;
        if (command.create(Hive::ClassesRoot, kKey, platform::kKeyAllAccess) != platform::kSuccess) return;
        platform::RegValue value;
        std::string text;
        if (command.queryValue("", value) == platform::kSuccess && platform::valueText(value, text) == platform::kSuccess) {
            saved_ = text;
        }
        command.setString("", "\"C:\\Program Files\\Microsoft Office\\OFFICE11\\OUTLOOK.EXE\" -c IPM.Note /m \"%1\"");
    }
    ~ScopedOutlookMailto() {
        platform::RegKey command;
        if (command.open(Hive::ClassesRoot, kKey, platform::kKeyAllAccess) != platform::kSuccess) return;
        if (saved_) {
            command.setString("", *saved_);
        } else {
            command.deleteValue("");
        }
    }
    ScopedOutlookMailto(const ScopedOutlookMailto&) = delete;
    ScopedOutlookMailto& operator=(const ScopedOutlookMailto&) = delete;

private:
    static constexpr const char* kKey = "mailto\\shell\\open\\command";
    std::optional<std::string> saved_;
};

// The stand-in in place of the system folder's MAPI32.DLL, loaded natively by
// the programs started meanwhile; Wine's own is put back at the end.
class StandInSystemMapi {
public:
    StandInSystemMapi()
        : system_(platform::environmentVariable("SystemRoot").value_or("C:\\windows") + "\\system32\\mapi32.dll"),
          saved_(system_ + ".tidewell-saved"),
          native_("mapi32", "native") {
        // A run that crashed before putting Wine's own back left it here.
        if (platform::fileExists(saved_)) platform::replaceFile(saved_, system_);
        installed_ = copyFile(system_, saved_) && copyFile(programFolder() + "\\standin_mapi32.dll", system_);
    }
    ~StandInSystemMapi() {
        if (platform::fileExists(saved_)) platform::replaceFile(saved_, system_);
    }
    StandInSystemMapi(const StandInSystemMapi&) = delete;
    StandInSystemMapi& operator=(const StandInSystemMapi&) = delete;
    bool installed() const { return installed_; }

private:
    std::string system_;
    std::string saved_;
    ScopedDllOverride native_;
    bool installed_ = false;
};

class OutlookEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        clean();
        // Wine gives a child the APPDATA of this value; appData_ puts it back.
        seedText(Hive::CurrentUser, "Volatile Environment", "APPDATA", temp_.path());
    }
    void TearDown() override {
        clean();
    }
    static void clean() {
        for (const std::string& key : {std::string("Software\\Microsoft\\Office"), std::string("Software\\Microsoft\\Exchange"),
                                       kProfiles}) {
            platform::testing::deleteKeyTree(Hive::CurrentUser, key);
        }
        platform::testing::deleteKeyTree(Hive::LocalMachine, kRegistration);
    }

    void registerOutlook(int version) {
        seedText(Hive::LocalMachine, kRegistration, "MSIApplicationLCID",
                 "Software\\Microsoft\\Office\\" + std::to_string(version) + ".0\\Outlook LastUILanguage");
    }
    void seedCorporateWorkgroup() {
        registerOutlook(9);
        seedDword(Hive::CurrentUser, kMailSupportKey, "MailSupport", 1);
        seedText(Hive::CurrentUser, kProfiles, "DefaultProfile", "Work");
        seedText(Hive::CurrentUser, kWorkProfile + "\\0a0d020000000000c000000000000046", "001e3d0b", "EMABLT");
    }

    // Runs a command line as typed (CreateProcess, so the quoting is ours);
    // standard output lands in output_.
    std::uint32_t tidewell(const std::string& arguments, const std::string& exe = "") {
        const std::string commandLine =
            "\"" + (exe.empty() ? programFolder() + "\\tidewell.exe" : exe) + "\" " + arguments;
        const std::string outputFile = temp_.path() + "\\stdout.txt";
        const std::uint32_t status = runWindowless(commandLine, outputFile);
        output_ = readFile(outputFile);
        return status;
    }
    std::string log() const { return maskTimes(crlfToLf(readFile(temp_.path() + "\\Tidewell.log"))); }
    // The log of the last run: from its banner on.
    std::string lastRunLog() const {
        const std::string all = log();
        return all.substr(all.rfind("Tidewell - Quillmark Log"));
    }
    // The sections the service added to the Work profile, each "<3d0b>|<3001>|<661f>".
    std::vector<std::string> newSections() {
        std::vector<std::string> found;
        for (const auto& name : subkeys(kWorkProfile)) {
            if (name == "0a0d020000000000c000000000000046") continue;
            const std::string key = kWorkProfile + "\\" + name;
            found.push_back(describeValue(Hive::CurrentUser, key, "001e3d0b") + "|" +
                            describeValue(Hive::CurrentUser, key, "001e3001") + "|" +
                            describeValue(Hive::CurrentUser, key, "001e661f"));
        }
        return found;
    }

    platform::testing::TempFolder temp_;
    SavedValue appData_{Hive::CurrentUser, "Volatile Environment", "APPDATA"};
    std::string output_;
};

std::string accountSnapshot(const std::string& key) {
    std::string text;
    for (const char* name : {"Email", "Display Name", "Account Name", "IMAP Port"}) {
        text += std::string(name) + "=" + rawValue(key, name) + "\n";
    }
    return text;
}

TEST_F(OutlookEndToEnd, Outlook2003ProfileStore) {
    registerOutlook(11);
    seedProfileStore("Home", 3, {1, 2}, std::string_view("\xff\0\0\0\0\0\0\0", 8));
    seedProfileAccount("Home", "00000001", "one@example.com");
    seedProfileAccount("Home", "00000002", "two@example.com");
    const std::string others = accountSnapshot(profileAccount("Home", "00000001")) +
                               accountSnapshot(profileAccount("Home", "00000002"));

    // Code page 1252: "Ann € Zoë".
    EXPECT_EQ(tidewell("-n \"Ann \x80 Zo\xeb\" -c 1 -a ann@example.com -d"), 0u) << lastRunLog();
    const std::string account = profileAccount("Home", "00000003");
    EXPECT_EQ(binaryHex(account, "Display Name"), "41 00 6e 00 6e 00 20 00 ac 20 20 00 5a 00 6f 00 eb 00 00 00");
    EXPECT_EQ(binaryHex(account, "Email"), hexBytes(utf16z("ann@example.com")));
    EXPECT_EQ(binaryHex(account, "IMAP Server"), hexBytes(utf16z("mail.quillmark.example")));
    EXPECT_EQ(rawValue(account, "IMAP Port"), "4:e1 03 00 00");
    EXPECT_EQ(rawValue(account, "clsid"), "1:" + hexBytes(std::string("{ED475412-B0D6-11D2-8C3B-00104B2A6676}", 39)));
    EXPECT_EQ(binaryHex(storePath("Home"), kAccountList), "03 00 00 00 01 00 00 00 02 00 00 00");
    EXPECT_EQ(rawValue(storePath("Home"), "NextAccountID"), "4:04 00 00 00");
    EXPECT_EQ(binaryHex(storePath("Home"), "LastChangeVer"), "00 01 00 00 00 00 00 00");
    EXPECT_EQ(accountSnapshot(profileAccount("Home", "00000001")) + accountSnapshot(profileAccount("Home", "00000002")),
              others);
    EXPECT_NE(lastRunLog().find("Searching for Microsoft Outlook ... found. (Version 11)\n\n"), std::string::npos);
    EXPECT_NE(lastRunLog().find("Client Selected to Configure: Microsoft Outlook\n\n"
                                "Starting Outlook configuration...\n\n"
                                "Searching for existant ann@example.com account ... not found. Creating new account.\n\n"
                                "The following settings were written/overwritten in the system registry:\n\n"
                                "Account Name: ann@example.com\n"
                                "clsid: {ED475412-B0D6-11D2-8C3B-00104B2A6676}\n"
                                "Display Name: Ann \x80 Zo\xeb\n"
                                "Email: ann@example.com\n"
                                "IMAP Port: 993\n"
                                "IMAP Prompt for Password: 1\n"
                                "IMAP Secure Connection: 1\n"
                                "IMAP Server: mail.quillmark.example\n"
                                "IMAP Timeout: 60\n"
                                "IMAP User Name: ann@example.com\n"
                                "IMAP Poll All Folders: 1\n"
                                "IMAP Polling: 1\n"
                                "IMAP Root Folder: INBOX.\n"
                                "SMTP Port: 465\n"
                                "SMTP Server: mail.quillmark.example\n"
                                "SMTP Use SSL: 1\n\n"
                                "Email Client Configuration Successful!\n"),
              std::string::npos)
        << lastRunLog();

    // The same address again: nothing changes, not even the change counter.
    EXPECT_EQ(tidewell("-n \"Ann\" -c 1 -a ANN@example.com"), 5u);
    EXPECT_EQ(binaryHex(storePath("Home"), "LastChangeVer"), "00 01 00 00 00 00 00 00");
    EXPECT_EQ(binaryHex(account, "Display Name"), "41 00 6e 00 6e 00 20 00 ac 20 20 00 5a 00 6f 00 eb 00 00 00");
    // With -u the account is rewritten in place; without -d the list stays.
    EXPECT_EQ(tidewell("-n \"Ann Other\" -c 1 -a ann@example.com -u"), 0u);
    EXPECT_EQ(binaryHex(account, "Display Name"), hexBytes(utf16z("Ann Other")));
    EXPECT_EQ(binaryHex(storePath("Home"), kAccountList), "03 00 00 00 01 00 00 00 02 00 00 00");
    EXPECT_EQ(rawValue(storePath("Home"), "NextAccountID"), "4:04 00 00 00");
    EXPECT_EQ(binaryHex(storePath("Home"), "LastChangeVer"), "01 01 00 00 00 00 00 00");
    EXPECT_EQ(subkeys(storePath("Home")), (std::vector<std::string>{"00000001", "00000002", "00000003"}));

    // The automatic form re-creates the default account (now 00000003) once.
    const ScopedOutlookMailto outlookIsDefault;
    EXPECT_EQ(tidewell("-auto -p \"QM-\""), 0u) << lastRunLog();
    EXPECT_EQ(binaryHex(profileAccount("Home", "00000004"), "Account Name"), hexBytes(utf16z("QM-ann@example.com")));
    EXPECT_EQ(binaryHex(profileAccount("Home", "00000004"), "Display Name"), hexBytes(utf16z("Ann Other")));
    EXPECT_EQ(tidewell("-auto -p \"QM-\""), 6u);
    EXPECT_NE(lastRunLog().find("account ...  found. Quitting.\n"
                                "Email Client Configuration failed with error code: 6\n"),
              std::string::npos)
        << lastRunLog();
    EXPECT_EQ(binaryHex(storePath("Home"), kAccountList), "03 00 00 00 01 00 00 00 02 00 00 00 04 00 00 00");
}

TEST_F(OutlookEndToEnd, AProfileStoreThatCannotBeWrittenIsLeftAsItWas) {
    registerOutlook(11);
    seedProfileStore("Home", 2, {1});
    seedProfileAccount("Home", "00000001", "ann@example.com");
    const std::string before = registryDump(Hive::CurrentUser, kProfiles);
    platform::testing::ReadOnlyKey lock(Hive::CurrentUser, storePath("Home"));
    ASSERT_TRUE(lock.applied());
    // A new account: its key can be made (Wine does not ask the store's access
    // list for that), the store's list and counters cannot be set.
    EXPECT_EQ(tidewell("-n \"New\" -c 1 -a new@example.com"), 1u);
    EXPECT_EQ(registryDump(Hive::CurrentUser, kProfiles), before) << "the new account's key went again";
    EXPECT_NE(lastRunLog().find("RegCreateKeyEx failed on HKEY_CURRENT_USER\\" + storePath("Home") +
                                " (error 5)\n"
                                "The registry was put back as it was before this run.\n"
                                "Email Client Configuration failed with error code: 1\n"
                                "Description: ERROR: Unable to automatically configure\n"),
              std::string::npos)
        << lastRunLog();
    // A reset: the account gets its old values back.
    EXPECT_EQ(tidewell("-n \"Ann\" -c 1 -a ann@example.com -u"), 1u);
    EXPECT_EQ(registryDump(Hive::CurrentUser, kProfiles), before);
}

TEST_F(OutlookEndToEnd, Outlook2000InternetMode) {
    registerOutlook(9);
    seedText(Hive::CurrentUser, kOmiAccounts + "\\00000001", "SMTP Email Address", "ann@example.com");
    seedText(Hive::CurrentUser, kOmiAccounts + "\\00000001", "POP3 Server", "pop.old.example");
    EXPECT_EQ(tidewell("-n \"Bob\" -c 1 -a bob@example.com"), 0u);
    const std::string key = kOmiAccounts + "\\bob@example.com";
    EXPECT_EQ(describeValue(Hive::CurrentUser, key, "Account Name"), "sz:bob@example.com\\0");
    EXPECT_EQ(describeValue(Hive::CurrentUser, key, "Connection Flags"), "dword:0");
    EXPECT_EQ(describeValue(Hive::CurrentUser, key, "IMAP Root Folder"), "sz:INBOX.\\0");
    EXPECT_EQ(describeValue(Hive::CurrentUser, key, "SMTP Use Sicily"), "dword:2");
    EXPECT_EQ(describeValue(Hive::CurrentUser, kOmiManager, "Default Mail Account"), "missing");
    EXPECT_NE(lastRunLog().find("Client Selected to Configure: Microsoft Outlook\n\n"
                                "Default Mail Profile is : \n"
                                "Starting Outlook configuration...\n\n"
                                "Searching for existant bob@example.com account ... not found. Creating new account.\n"),
              std::string::npos)
        << lastRunLog();
    EXPECT_EQ(subkeys(kProfiles), std::vector<std::string>{}) << "no MAPI profile is touched";

    // The account found under another key is rewritten there, and made the default by its key.
    EXPECT_EQ(tidewell("-n \"Ann\" -c 1 -a ann@example.com -u -d"), 0u);
    EXPECT_EQ(subkeys(kOmiAccounts), (std::vector<std::string>{"00000001", "bob@example.com"}));
    EXPECT_EQ(describeValue(Hive::CurrentUser, kOmiAccounts + "\\00000001", "SMTP Display Name"), "sz:Ann\\0");
    EXPECT_EQ(describeValue(Hive::CurrentUser, kOmiAccounts + "\\00000001", "POP3 Server"), "sz:pop.old.example\\0");
    EXPECT_EQ(describeValue(Hive::CurrentUser, kOmiManager, "Default Mail Account"), "sz:00000001\\0");
}

TEST_F(OutlookEndToEnd, CorporateWorkgroupWithWinesMapiFailsAndChangesNothing) {
    seedCorporateWorkgroup();
    // A MAPI32.DLL beside the program, which Wine would load first: it must
    // not be the one used.
    const std::string exe = temp_.path() + "\\tidewell.exe";
    ASSERT_TRUE(copyFile(programFolder() + "\\tidewell.exe", exe));
    ASSERT_TRUE(copyFile(programFolder() + "\\standin_mapi32.dll", temp_.path() + "\\MAPI32.DLL"));
    const std::string record = temp_.path() + "\\mapi-calls.txt";
    {
        ScopedDllOverride nativeFirst("mapi32", "native,builtin");
        ScopedEnvironment recordTo("TIDEWELL_STANDIN_MAPI_RECORD", record);
        EXPECT_EQ(tidewell("-n \"Ann\" -c 1 -a ann@example.com", exe), 1u);
    }
    EXPECT_EQ(output_, "Error initializing MAPI. hRes = 0x80040605\r\n");
    EXPECT_FALSE(platform::fileExists(record)) << "the MAPI32.DLL beside the program was loaded";
    EXPECT_NE(lastRunLog().find("Default Mail Profile is : Work\n"), std::string::npos);
    EXPECT_NE(lastRunLog().find("SMTP User Name: ann@example.com\n\n"
                                "Outlook is in Corporate/Workgroup Mode. Creating MAPI Internet Mail Profile...\n"
                                "Error initializing MAPI. hRes = 0x80040605\n"
                                "The registry was put back as it was before this run.\n"
                                "Email Client Configuration failed with error code: 1\n"
                                "Description: ERROR: Unable to automatically configure\n"
                                "* Configuration Failed at <time> *\n"),
              std::string::npos)
        << lastRunLog();
    EXPECT_EQ(describeValue(Hive::CurrentUser, kOmiAccounts + "\\ann@example.com", "SMTP Email Address"),
              "missing key")
        << "of no use without its service, the account goes again";
    EXPECT_EQ(newSections(), std::vector<std::string>{});

    // With a MAPI that works, a rerun makes the account and its service.
    StandInSystemMapi mapi;
    ASSERT_TRUE(mapi.installed());
    ScopedEnvironment recordTo("TIDEWELL_STANDIN_MAPI_RECORD", record);
    EXPECT_EQ(tidewell("-n \"Ann\" -c 1 -a ann@example.com"), 0u) << lastRunLog();
    EXPECT_EQ(output_, "");
    EXPECT_EQ(readFile(record), "MAPIInitialize\nMAPIAdminProfiles\nMAPILogonEx Work\nAdminServices Work\n"
                                "CreateMsgService IMAIL ann@example.com\nRelease IMsgServiceAdmin\nLogoff\n"
                                "Release IMAPISession\nRelease IProfAdmin\nMAPIUninitialize\n");
    EXPECT_EQ(newSections(), (std::vector<std::string>{
                                 "sz:MailServiceEntry\\0|sz:Internet E-Mail - ann@example.com\\0|sz:ann@example.com\\0",
                                 "missing|sz:ann@example.com\\0|missing"}));
}

TEST_F(OutlookEndToEnd, CorporateWorkgroupWithAWorkingMapi) {
    seedCorporateWorkgroup();
    StandInSystemMapi mapi;
    ASSERT_TRUE(mapi.installed());
    const std::string record = temp_.path() + "\\mapi-calls.txt";
    ScopedEnvironment recordTo("TIDEWELL_STANDIN_MAPI_RECORD", record);
    EXPECT_EQ(tidewell("-n \"Ann Example\" -c 1 -a ann@example.com -d"), 0u) << lastRunLog();
    EXPECT_EQ(output_, "");
    EXPECT_EQ(readFile(record), "MAPIInitialize\nMAPIAdminProfiles\nMAPILogonEx Work\nAdminServices Work\n"
                                "CreateMsgService IMAIL ann@example.com\nRelease IMsgServiceAdmin\nLogoff\n"
                                "Release IMAPISession\nRelease IProfAdmin\nMAPIUninitialize\n");
    ASSERT_FALSE(newSections().empty());
    EXPECT_EQ(newSections()[0], "sz:MailServiceEntry\\0|sz:Internet E-Mail - ann@example.com\\0|sz:ann@example.com\\0");
    EXPECT_EQ(describeValue(Hive::CurrentUser, kWorkProfile + "\\0a0d020000000000c000000000000046", "001e3001"),
              "missing");
    EXPECT_EQ(describeValue(Hive::CurrentUser, kOmiManager, "Default Mail Account"), "sz:ann@example.com\\0");
    EXPECT_NE(lastRunLog().find("Outlook is in Corporate/Workgroup Mode. Creating MAPI Internet Mail Profile...\n"
                                "Email Client Configuration Successful!\n"),
              std::string::npos)
        << lastRunLog();

    // The automatic form re-creates it under the prefix, with a service of its own.
    const ScopedOutlookMailto outlookIsDefault;
    EXPECT_EQ(tidewell("-auto -p \"QM-\""), 0u) << lastRunLog();
    EXPECT_EQ(tidewell("-auto -p \"QM-\""), 6u);
    const auto sections = newSections();
    EXPECT_EQ(std::count(sections.begin(), sections.end(),
                         "sz:MailServiceEntry\\0|sz:Internet E-Mail - QM-ann@example.com\\0|sz:QM-ann@example.com\\0"),
              1);
}

}  // namespace
}  // namespace tw::test
