// End to end: the real tidewell.exe under Wine configures Eudora in a seeded
// Eudora.ini (CR LF on disk, as Eudora writes it). Each test compares the
// file byte for byte and the session log, time stamps masked, with expected
// text, and runs the failures Wine can really produce: a file held open, a
// read-only file, a folder where the new copy would go.
#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/testing.h"
#include "tests/support/test_env.h"
#include "tests/support/thunderbird_fixture.h"

namespace tw::test {
namespace {

using platform::Hive;

constexpr const char* kEudoraRegistration = "SOFTWARE\\Clients\\Mail\\Eudora";
constexpr const char* kAppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Eudora.exe";

std::string crlf(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (std::string_view line : lines) text.append(line).append("\r\n");
    return withHosts(text);
}

class EudoraEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        clean();
        // Wine gives a child the APPDATA of this value; appData_ puts it back.
        seedText(Hive::CurrentUser, "Volatile Environment", "APPDATA", temp_.path());
        platform::RegKey registration;
        ASSERT_EQ(registration.create(Hive::LocalMachine, kEudoraRegistration, platform::kKeyAllAccess),
                  platform::kSuccess);
        ASSERT_EQ(platform::createFolder(temp_.path() + "\\Qualcomm"), platform::kSuccess);
        ASSERT_EQ(platform::createFolder(eudoraFolder()), platform::kSuccess);
    }
    void TearDown() override {
        clean();
    }
    static void clean() {
        platform::testing::deleteKeyTree(Hive::LocalMachine, kEudoraRegistration);
        platform::testing::deleteKeyTree(Hive::LocalMachine, kAppPathsKey);
    }

    std::string eudoraFolder() const { return temp_.path() + "\\Qualcomm\\Eudora"; }
    std::string iniPath() const { return eudoraFolder() + "\\Eudora.ini"; }
    std::string tempPath() const { return eudoraFolder() + "\\Eudora.tmp"; }

    std::uint32_t tidewell(const std::string& arguments) {
        const std::string folder = platform::environmentVariable("TIDEWELL_BIN").value_or(".");
        return runWindowless("\"" + folder + "\\tidewell.exe\" " + arguments);
    }

    std::string log() const { return maskTimes(crlfToLf(readFile(temp_.path() + "\\Tidewell.log"))); }
    void clearLog() const { platform::deleteFile(temp_.path() + "\\Tidewell.log"); }

    platform::testing::TempFolder temp_;
    SavedValue appData_{Hive::CurrentUser, "Volatile Environment", "APPDATA"};
};

// Eudora's dominant personality holds Bob's account; one more personality is listed.
const std::string kSeeded = crlf({
    "[Settings]",
    "RealName=Bob Example",
    "ReturnAddress=bob@example.com",
    "POPServer=pop.bob.example",
    "SavePasswordText=1",
    "",
    "[Personalities]",
    "Persona0=Persona-work",
    "",
    "[Persona-work]",
    "RealName=Bob at Work",
    "ReturnAddress=bob@work.example",
    "",
    "[Dirs]",
    "MailDir=C:\\Mail",
});

const std::string kWithAnn = crlf({
    "[Settings]",
    "RealName=Bob Example",
    "ReturnAddress=bob@example.com",
    "POPServer=pop.bob.example",
    "SavePasswordText=1",
    "",
    "[Personalities]",
    "Persona0=Persona-work",
    "Persona1=Persona-ann@example.com",
    "[Persona-ann@example.com]",
    "IMAPAccount=ann@example.com@$SECURE",
    "RealName=Ann Example",
    "SMTPServer=$SECURE",
    "ReturnAddress=ann@example.com",
    "POPServer=$SECURE",
    "ImapDirectoryPrefix=INBOX.",
    "ImapMboxesFetched=0",
    "CheckMailByDefault=1",
    "LoginName=ann@example.com",
    "SmtpAuthAllowed=1",
    "SSLReceiveUse=2",
    "SSLSendUse=2",
    "UsesIMAP=1",
    "UsesPOP=0",
    "IMAPPort=993",
    "SMTPPort=465",
    "",
    "[Persona-work]",
    "RealName=Bob at Work",
    "ReturnAddress=bob@work.example",
    "",
    "[Dirs]",
    "MailDir=C:\\Mail",
});

TEST_F(EudoraEndToEnd, ANewPersonalityThenTheSameAddressThenAReset) {
    ASSERT_EQ(platform::writeNewFile(iniPath(), kSeeded), platform::kSuccess);
    EXPECT_EQ(tidewell("-n \"Ann Example\" -c 3 -a ann@example.com"), 0u);
    EXPECT_EQ(readFile(iniPath()), kWithAnn);
    EXPECT_FALSE(platform::fileExists(tempPath()));
    EXPECT_EQ(log(), withHosts("Tidewell - Quillmark Log\n"
                               "-------------------------------------------\n"
                               "\n"
                               "* Beginning Configuration (command line) at <time> *\n"
                               "\n"
                               "Searching for Mozilla Thunderbird ... not detected.\n"
                               "Searching for Qualcomm Eudora ... found.\n"
                               "Searching for Microsoft Outlook Express ... not detected.\n"
                               "Searching for Microsoft Windows Mail ... not detected.\n"
                               "Searching for Microsoft Outlook ... not detected.\n"
                               "\n"
                               "Detecting default email client ... done.\n"
                               "\n"
                               "User Entered Email Address: ann@example.com\n"
                               "User Entered Display Name: Ann Example\n"
                               "Make Account Default: No\n"
                               "Overwrite Existing Account: No\n"
                               "Client Selected to Configure: Qualcomm Eudora\n"
                               "\n"
                               "Starting Eudora configuration...\n"
                               "\n"
                               "Searching for existant ann@example.com account ... not found. Creating new account.\n"
                               "\n"
                               "The following lines were written/overwritten in the Eudora configuration file:\n"
                               "\n"
                               "IMAPAccount: ann@example.com@$SECURE\n"
                               "RealName: Ann Example\n"
                               "SMTPServer: $SECURE\n"
                               "ReturnAddress: ann@example.com\n"
                               "IMAPServer: $SECURE\n"
                               "LoginName: ann@example.com\n"
                               "SmtpAuthAllowed: 1\n"
                               "SSLReceiveUse: 2\n"
                               "SSLSendUse: 2\n"
                               "UsesIMAP: 1\n"
                               "UsesPOP: 0\n"
                               "IMAPPort: 993\n"
                               "SMTPPort: 465\n"
                               "Email Client Configuration Successful!\n"
                               "\n"
                               "* Configuration Complete at <time> *\n"
                               "\n"));

    clearLog();
    EXPECT_EQ(tidewell("-n \"Ann Example\" -c 3 -a ANN@Example.com"), 5u);
    EXPECT_EQ(readFile(iniPath()), kWithAnn) << "outcome 5 changes nothing";
    EXPECT_FALSE(platform::fileExists(tempPath()));
    EXPECT_NE(log().find("Searching for existant ANN@Example.com account ...  found. No changes will be made.\n"
                         "Email Client Configuration failed with error code: 5\n"
                         "Description: ERROR: Account was already found, no changes have been made.\n"),
              std::string::npos)
        << log();

    EXPECT_EQ(tidewell("-n \"Ann Other\" -c 3 -a ANN@Example.com -u -d"), 0u);
    std::string reset = kWithAnn;
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"RealName=Ann Example", "RealName=Ann Other"},
                                   {"ReturnAddress=ann@example.com", "ReturnAddress=ANN@Example.com"},
                                   {"LoginName=ann@example.com", "LoginName=ANN@Example.com"}}) {
        reset.replace(reset.find(from), from.size(), to);
    }
    EXPECT_EQ(readFile(iniPath()), reset) << "the personality's tested keys are reset; IMAPAccount stays";
    EXPECT_NE(log().find("Make Account Default: Yes\n"), std::string::npos);
}

TEST_F(EudoraEndToEnd, AFreshFileFillsTheDominantPersonalityAndAccentsMatch) {
    // Eudora's first start leaves the dominant personality empty.
    ASSERT_EQ(platform::writeNewFile(iniPath(), crlf({"[Settings]", "RealName=", "ReturnAddress=", "UsesPOP=1"})),
              platform::kSuccess);
    EXPECT_EQ(tidewell("-n \"Jos\xE9 Example\" -c 3 -a jos\xE9@example.com"), 0u);
    EXPECT_EQ(readFile(iniPath()), crlf({"[Settings]", "RealName=Jos\xE9 Example", "ReturnAddress=jos\xE9@example.com",
                                        "UsesPOP=0", "IMAPPort=993", "SMTPPort=465"}));
    // The same address with its accented letter in capitals is the same account.
    EXPECT_EQ(tidewell("-n \"Jos\xE9\" -c 3 -a JOS\xC9@EXAMPLE.COM"), 5u);
}

TEST_F(EudoraEndToEnd, TheFileBesideTheProgramOrNone) {
    // No Eudora.ini under the application-data folder, and no App Paths entry.
    EXPECT_EQ(tidewell("-n \"Ann\" -c 3 -a ann@example.com"), 1u);
    EXPECT_NE(log().find("Starting Eudora configuration...\n\nNo Eudora settings file was found at " + iniPath() +
                         ". App Paths names no Eudora.exe.\n"
                         "Email Client Configuration failed with error code: 1\n"
                         "Description: ERROR: Eudora has not been run for the first time or Eudora is not set to "
                         "store data in the default location.\n"),
              std::string::npos)
        << log();
    EXPECT_FALSE(platform::fileExists(iniPath()));

    // An installation that keeps its data beside the program, in a folder with a blank.
    const std::string program = temp_.path() + "\\Program Files";
    ASSERT_EQ(platform::createFolder(program), platform::kSuccess);
    platform::RegKey appPaths;
    ASSERT_EQ(appPaths.create(Hive::LocalMachine, kAppPathsKey, platform::kKeyAllAccess), platform::kSuccess);
    ASSERT_EQ(appPaths.setString("", "\"" + program + "\\Eudora.exe\""), platform::kSuccess);
    ASSERT_EQ(platform::writeNewFile(program + "\\Eudora.ini", kSeeded), platform::kSuccess);
    EXPECT_EQ(tidewell("-n \"Ann Example\" -c 3 -a ann@example.com"), 0u);
    EXPECT_EQ(readFile(program + "\\Eudora.ini"), kWithAnn);
    EXPECT_FALSE(platform::fileExists(program + "\\Eudora.tmp"));
}

TEST_F(EudoraEndToEnd, FailuresLeaveEudoraIniAsItWas) {
    ASSERT_EQ(platform::writeNewFile(iniPath(), kSeeded), platform::kSuccess);
    {
        platform::testing::ExclusiveFileLock lock(iniPath());
        ASSERT_TRUE(lock.locked());
        EXPECT_EQ(tidewell("-n \"Ann\" -c 3 -a ann@example.com"), 1u);
    }
    EXPECT_NE(log().find("Unable to read " + iniPath() + " (error 32). No changes have been made.\n"),
              std::string::npos)
        << log();

    platform::testing::setReadOnly(iniPath(), true);
    EXPECT_EQ(tidewell("-n \"Ann\" -c 3 -a ann@example.com"), 1u);
    platform::testing::setReadOnly(iniPath(), false);
    EXPECT_NE(log().find("Unable to replace " + iniPath() + " with " + tempPath() +
                         " (error 5). No changes have been made.\n"),
              std::string::npos)
        << log();
    EXPECT_FALSE(platform::fileExists(tempPath())) << "the copy is removed";

    ASSERT_EQ(platform::createFolder(tempPath()), platform::kSuccess);
    EXPECT_EQ(tidewell("-n \"Ann\" -c 3 -a ann@example.com"), 1u);
    EXPECT_NE(log().find("Unable to create " + tempPath() + " (error 5). No changes have been made.\n"),
              std::string::npos)
        << log();

    EXPECT_EQ(readFile(iniPath()), kSeeded);
    EXPECT_EQ(log().find("Email Client Configuration Successful!"), std::string::npos);
}

}  // namespace
}  // namespace tw::test
