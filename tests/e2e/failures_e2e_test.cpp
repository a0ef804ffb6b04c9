// End to end: the real tidewell.exe under Wine meets the failures a user's
// machine really has: a prefs.js another program holds open without letting
// it be deleted, a read-only prefs.js, a profile folder that is a file, and a
// full disk for each client that keeps its account in a file (Thunderbird,
// Windows Mail, Eudora). Each run must end with status 1, a log line with the
// Windows error, the client's file byte for byte as it was and no temporary
// file beside it.
//
// The full disk is a small tmpfs that scripts/small-disk mounts as drive T:
// before these tests (a CTest fixture); where the sandbox cannot mount one,
// those tests skip and say so.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/testing.h"
#include "tests/support/test_env.h"
#include "tests/support/windows_mail_fixture.h"

namespace tw::test {
namespace {

using platform::Hive;
using platform::Status;

constexpr const char* kEudoraAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Eudora.exe";
constexpr const char* kWindowsMailKey = "Software\\Microsoft\\Windows Mail";
constexpr Status kDiskFull = 112;  // ERROR_DISK_FULL

const std::string kPrefs =
    "// Mozilla User Preferences\r\n"
    "user_pref(\"mail.account.account1.identities\", \"id1\");\r\n"
    "user_pref(\"mail.account.account1.server\", \"server1\");\r\n"
    "user_pref(\"mail.accountmanager.accounts\", \"account1\");\r\n"
    "user_pref(\"mail.identity.id1.useremail\", \"bob@work.example\");\r\n"
    "user_pref(\"mail.server.server1.type\", \"imap\");\r\n"
    "user_pref(\"mail.server.server1.userName\", \"bob@work.example\");\r\n";

const std::string kEudoraIni = "[Settings]\r\nRealName=Bob\r\nReturnAddress=bob@work.example\r\n";

class FailuresEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        // Wine gives a child the APPDATA of this value; appData_ puts it back.
        seedText(Hive::CurrentUser, "Volatile Environment", "APPDATA", temp_.path());
    }
    void TearDown() override {
        platform::testing::deleteKeyTree(Hive::LocalMachine, kEudoraAppPaths);
        platform::testing::deleteKeyTree(Hive::CurrentUser, kWindowsMailKey);
    }

    std::uint32_t tidewell(const std::string& arguments) {
        const std::string folder = platform::environmentVariable("TIDEWELL_BIN").value_or(".");
        return runWindowless("\"" + folder + "\\tidewell.exe\" " + arguments);
    }

    // The session log of the last run alone.
    std::string lastLog() {
        const std::string all = maskTimes(crlfToLf(readFile(temp_.path() + "\\Tidewell.log")));
        const std::string run = all.substr(seen_);
        seen_ = all.size();
        return run;
    }

    // A Thunderbird profile list naming one profile, relative or absolute.
    void seedProfileList(const std::string& path, bool relative) {
        ASSERT_EQ(platform::createFolder(temp_.path() + "\\Thunderbird"), platform::kSuccess);
        ASSERT_EQ(platform::writeNewFile(temp_.path() + "\\Thunderbird\\profiles.ini",
                                         "[General]\r\nStartWithLastProfile=1\r\n\r\n[Profile0]\r\nName=default\r\n"
                                         "IsRelative=" + std::string(relative ? "1" : "0") + "\r\nPath=" + path +
                                             "\r\nDefault=1\r\n"),
                  platform::kSuccess);
    }

    platform::testing::TempFolder temp_;
    SavedValue appData_{Hive::CurrentUser, "Volatile Environment", "APPDATA"};
    std::size_t seen_ = 0;
};

// The files of a folder, sorted: no temporary file may be left among them.
std::vector<std::string> entries(const std::string& folder) {
    auto names = platform::findFiles(folder + "\\*");
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(FailuresEndToEnd, ThunderbirdsPrefsJsHeldOpenReadOnlyOrWithoutAFolder) {
    const std::string profile = temp_.path() + "\\Thunderbird\\Profiles\\abc.default";
    seedProfileList("Profiles/abc.default", true);
    ASSERT_EQ(platform::createFolder(temp_.path() + "\\Thunderbird\\Profiles"), platform::kSuccess);
    ASSERT_EQ(platform::createFolder(profile), platform::kSuccess);
    const std::string prefs = profile + "\\prefs.js";
    ASSERT_EQ(platform::writeNewFile(prefs, kPrefs), platform::kSuccess);
    const std::string command = "-n \"Ann\" -c 4 -a ann@example.com";
    const std::string replaceFailed = "Unable to replace " + prefs + " with " + profile + "\\prefs.tmp (error ";

    {
        // Another program reads it and lets others read, not delete: the copy
        // cannot take its place.
        platform::testing::ReadingFileLock lock(prefs);
        ASSERT_TRUE(lock.locked());
        EXPECT_EQ(tidewell(command), 1u);
    }
    const std::string held = lastLog();
    EXPECT_NE(held.find(replaceFailed), std::string::npos) << held;
    EXPECT_EQ(readFile(prefs), kPrefs);
    EXPECT_EQ(entries(profile), std::vector<std::string>{"prefs.js"});

    platform::testing::setReadOnly(prefs, true);
    EXPECT_EQ(tidewell(command), 1u);
    platform::testing::setReadOnly(prefs, false);
    const std::string readOnly = lastLog();
    EXPECT_NE(readOnly.find(replaceFailed + "5)"), std::string::npos) << readOnly;
    EXPECT_EQ(readFile(prefs), kPrefs);
    EXPECT_EQ(entries(profile), std::vector<std::string>{"prefs.js"});

    // The profile list names a "folder" that is a file.
    ASSERT_EQ(platform::writeNewFile(temp_.path() + "\\Thunderbird\\Profiles\\a-file", "not a folder"),
              platform::kSuccess);
    seedProfileList("Profiles/a-file", true);
    EXPECT_EQ(tidewell(command), 1u);
    const std::string notAFolder = lastLog();
    EXPECT_NE(notAFolder.find("Unable to create " + temp_.path() + "\\Thunderbird\\Profiles\\a-file (error 183)"),
              std::string::npos)
        << notAFolder;
    EXPECT_EQ(readFile(temp_.path() + "\\Thunderbird\\Profiles\\a-file"), "not a folder");
    EXPECT_EQ(notAFolder.find("Configuration Successful"), std::string::npos);
}

// Drive T: when scripts/small-disk could mount it.
bool smallDiskReady() { return platform::folderExists("T:\\"); }

// Fills the small disk to the last byte; the error the last write met, which
// the test expects to be the one a full disk gives.
class FullDisk {
public:
    FullDisk() {
        platform::NewFile filler;
        if (filler.create(kFiller) != platform::kSuccess) return;
        const std::string chunk(4096, 'x');
        while ((error_ = filler.write(chunk)) == platform::kSuccess) {
        }
        // A last few bytes may still fit.
        for (Status rc = platform::kSuccess; rc == platform::kSuccess;) rc = filler.write("x");
        filler.finish();
    }
    ~FullDisk() { platform::deleteFile(kFiller); }
    Status error() const { return error_; }

private:
    static constexpr const char* kFiller = "T:\\filler";
    Status error_ = platform::kSuccess;
};

TEST_F(FailuresEndToEnd, AFullDiskLeavesEveryClientsFileAsItWas) {
    if (!smallDiskReady()) GTEST_SKIP() << "no drive T: (scripts/small-disk could not mount a tmpfs here)";
    // Thunderbird: a profile on T: named by its absolute path.
    ASSERT_EQ(platform::createFolder("T:\\tb"), platform::kSuccess);
    ASSERT_EQ(platform::writeNewFile("T:\\tb\\prefs.js", kPrefs), platform::kSuccess);
    seedProfileList("T:\\tb", false);
    // Windows Mail: its store on T:, with Ann's account file.
    ASSERT_EQ(platform::createFolder("T:\\mail"), platform::kSuccess);
    ASSERT_EQ(platform::createFolder("T:\\mail\\Local Folders"), platform::kSuccess);
    const std::string accountFile = "T:\\mail\\Local Folders\\account{1}.oeaccount";
    ASSERT_EQ(platform::writeNewFile(accountFile, imapAccount()), platform::kSuccess);
    {
        platform::RegKey mail;
        ASSERT_EQ(mail.create(Hive::CurrentUser, kWindowsMailKey, platform::kKeyAllAccess), platform::kSuccess);
        ASSERT_EQ(mail.setString("Store Root", "T:\\mail\\"), platform::kSuccess);
    }
    // Eudora: beside the Eudora.exe App Paths names, none in the application data.
    ASSERT_EQ(platform::createFolder("T:\\eudora"), platform::kSuccess);
    ASSERT_EQ(platform::writeNewFile("T:\\eudora\\Eudora.ini", kEudoraIni), platform::kSuccess);
    {
        platform::RegKey appPaths;
        ASSERT_EQ(appPaths.create(Hive::LocalMachine, kEudoraAppPaths, platform::kKeyAllAccess), platform::kSuccess);
        ASSERT_EQ(appPaths.setString("", "T:\\eudora\\Eudora.exe"), platform::kSuccess);
    }

    FullDisk full;
    ASSERT_EQ(full.error(), kDiskFull) << "what Wine answers to a write on a full disk";
    struct Case {
        const char* what;
        std::string command;
        std::string folder;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {"Thunderbird, a new account", "-n \"Ann\" -c 4 -a ann@example.com", "T:\\tb", {"prefs.js"}},
        {"Windows Mail, an update", "-n \"Ann\" -c 2 -a ann@example.com -u", "T:\\mail\\Local Folders",
         {"account{1}.oeaccount"}},
        {"Windows Mail, a new account", "-n \"Carl\" -c 2 -a carl@example.com", "T:\\mail\\Local Folders",
         {"account{1}.oeaccount"}},
        {"Eudora, a new personality", "-n \"Ann\" -c 3 -a ann@example.com", "T:\\eudora", {"Eudora.ini"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tidewell(c.command), 1u) << c.what;
        const std::string log = lastLog();
        EXPECT_NE(log.find("(error 112)"), std::string::npos) << c.what << "\n" << log;
        EXPECT_EQ(entries(c.folder), c.files) << c.what << ": no temporary file is left";
    }
    EXPECT_EQ(readFile("T:\\tb\\prefs.js"), kPrefs);
    EXPECT_EQ(readFile(accountFile), imapAccount());
    EXPECT_EQ(readFile("T:\\eudora\\Eudora.ini"), kEudoraIni);
}

}  // namespace
}  // namespace tw::test
