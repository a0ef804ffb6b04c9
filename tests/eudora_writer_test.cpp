// The Eudora writer: Eudora.ini before and after, the session log, and what
// the settings-file reader learns on the way. The files are real files under
// the test's application-data folder, on both backends.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/configuration_driver.h"
#include "clients/eudora/eudora_writer.h"
#include "clients/eudora/settings_file.h"
#include "platform/files.h"
#include "platform/testing.h"
#include "tests/support/test_env.h"
#include "tests/support/thunderbird_fixture.h"

namespace tw::test {
namespace {

using platform::Hive;

constexpr const char* kAppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Eudora.exe";

struct EudoraFlags {
    bool overwriteExisting = false;
    bool useSsl = true;
};

class EudoraWriterTest : public TidewellTest {
protected:
    std::string eudoraFolder() const { return folder() + "\\Qualcomm\\Eudora"; }
    std::string iniPath() const { return eudoraFolder() + "\\Eudora.ini"; }
    std::string tempPath() const { return eudoraFolder() + "\\Eudora.tmp"; }

    void seedIni(std::string_view bytes) {
        ASSERT_EQ(platform::createFolder(folder() + "\\Qualcomm"), platform::kSuccess);
        ASSERT_EQ(platform::createFolder(eudoraFolder()), platform::kSuccess);
        ASSERT_EQ(platform::writeNewFile(iniPath(), bytes), platform::kSuccess);
    }

    ConfigOutcome configure(const std::string& address, const std::string& name, EudoraFlags flags = {}) {
        SessionLog log;
        log.open(logFile());
        EudoraWriter writer(address, name, flags.overwriteExisting, flags.useSsl, log);
        const ConfigOutcome outcome = writer.configure();
        log.close();
        return outcome;
    }
};

// Lines each ended with CR LF, as Eudora writes its file, with the provider's
// hosts put in for $SECURE, $IMAP and $SMTP.
std::string crlf(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (std::string_view line : lines) text.append(line).append("\r\n");
    return withHosts(text);
}

// A literal's bytes, NULs included.
template <std::size_t N>
std::string bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

// The 17 lines of the dominant personality for ann@example.com.
const std::string kDominantSet = crlf({
    "POPAccount=ann@example.com@$SECURE",
    "RealName=Ann Example",
    "SMTPServer=$SECURE",
    "ReturnAddress=ann@example.com",
    "POPServer=$SECURE",
    "ImapDirectoryPrefix=INBOX.",
    "ImapMboxesFetched=0",
    "CheckMailByDefault=1",
    "POPServer=$SECURE",
    "LoginName=ann@example.com",
    "SmtpAuthAllowed=1",
    "SSLReceiveUse=2",
    "SSLSendUse=2",
    "UsesIMAP=1",
    "UsesPOP=0",
    "IMAPPort=993",
    "SMTPPort=465",
});

// A further personality for ann@example.com: no POPAccount, one POPServer.
const std::string kPersonality = crlf({
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
});

const std::string kPersonalityWithoutSsl = crlf({
    "[Persona-ann@example.com]",
    "IMAPAccount=ann@example.com@$IMAP",
    "RealName=Ann Example",
    "SMTPServer=$SMTP",
    "ReturnAddress=ann@example.com",
    "POPServer=$IMAP",
    "ImapDirectoryPrefix=INBOX.",
    "ImapMboxesFetched=0",
    "CheckMailByDefault=1",
    "LoginName=ann@example.com",
    "SmtpAuthAllowed=1",
    "SSLReceiveUse=0",
    "SSLSendUse=0",
    "UsesIMAP=1",
    "UsesPOP=0",
    "IMAPPort=143",
    "SMTPPort=587",
});

const std::string kPorts = crlf({"IMAPPort=993", "SMTPPort=465"});

// A dominant personality that holds Bob's account.
const std::string kBobInSettings = crlf({"[Settings]", "RealName=Bob", "ReturnAddress=bob@example.com"});

struct FileCase {
    const char* name;
    std::string before;
    std::string after;
    std::string address = "ann@example.com";
    std::string displayName = "Ann Example";
    EudoraFlags flags = {};
};

TEST_F(EudoraWriterTest, EachCourseWritesTheExpectedFile) {
    const std::vector<FileCase> cases = {
        {"fresh file: the tested keys of [Settings] are replaced in place, the ports added at its end",
         crlf({"[Settings]", "RealName=", "ReturnAddress=", "POPServer=", "SMTPServer=", "LoginName=",
               "SavePasswordText=1", "UsesPOP=1", "", "[Dirs]", "MailDir=C:\\Mail"}),
         crlf({"[Settings]", "RealName=Ann Example", "ReturnAddress=ann@example.com", "POPServer=$SECURE",
               "SMTPServer=$SECURE", "LoginName=ann@example.com", "SavePasswordText=1", "UsesPOP=0"}) +
             kPorts + crlf({"", "[Dirs]", "MailDir=C:\\Mail"})},
        {"[Settings] without account keys: the dominant set ends the section, before its blank line",
         crlf({"[Settings]", "SavePasswordText=1", "", "[Dirs]"}),
         crlf({"[Settings]", "SavePasswordText=1"}) + kDominantSet + crlf({"", "[Dirs]"})},
        {"dominant personality in use, Persona0 and Persona1 listed: Persona2 and its section follow the list",
         kBobInSettings + crlf({"[Personalities]", "Persona0=Persona-one", "Persona1=Persona-two", "",
                                "[Persona-one]", "ReturnAddress=one@example.com"}),
         kBobInSettings +
             crlf({"[Personalities]", "Persona0=Persona-one", "Persona1=Persona-two",
                   "Persona2=Persona-ann@example.com"}) +
             kPersonality + crlf({"", "[Persona-one]", "ReturnAddress=one@example.com"})},
        {"a list out of order: one more than the highest number, after the last Persona line",
         kBobInSettings + crlf({"[Personalities]", "Persona0=Persona-one", "Persona2=Persona-three",
                                "Persona1=Persona-two"}),
         kBobInSettings +
             crlf({"[Personalities]", "Persona0=Persona-one", "Persona2=Persona-three", "Persona1=Persona-two",
                   "Persona3=Persona-ann@example.com"}) +
             kPersonality},
        {"other lines of [Personalities] stay in it, ahead of the new section",
         kBobInSettings + crlf({"[Personalities]", "Persona0=Persona-one", "; kept here", "[Persona-one]"}),
         kBobInSettings +
             crlf({"[Personalities]", "Persona0=Persona-one", "Persona1=Persona-ann@example.com", "; kept here"}) +
             kPersonality + crlf({"[Persona-one]"})},
        {"a [Personalities] header with blanks around it is the list",
         kBobInSettings + crlf({" [Personalities] \t", "Persona0=Persona-one", "[Persona-one]", "RealName=One"}),
         kBobInSettings +
             crlf({" [Personalities] \t", "Persona0=Persona-one", "Persona1=Persona-ann@example.com"}) +
             kPersonality + crlf({"[Persona-one]", "RealName=One"})},
        {"an empty list beside a dominant personality in use: Persona0 right after its header",
         kBobInSettings + crlf({"[Personalities]", "", "[Dirs]"}),
         kBobInSettings + crlf({"[Personalities]", "Persona0=Persona-ann@example.com"}) + kPersonality +
             crlf({"", "[Dirs]"})},
        {"an empty list and an unused dominant personality: the dominant course",
         crlf({"[Settings]", "RealName=", "ReturnAddress=", "[Personalities]"}),
         crlf({"[Settings]", "RealName=Ann Example", "ReturnAddress=ann@example.com"}) + kPorts +
             crlf({"[Personalities]"})},
        {"no list and a dominant personality in use, last line without an end: all added at the end, without SSL",
         "[Settings]\r\nReturnAddress=bob@example.com",
         crlf({"[Settings]", "ReturnAddress=bob@example.com", "[Personalities]", "Persona0=Persona-ann@example.com"}) +
             kPersonalityWithoutSsl,
         "ann@example.com", "Ann Example", {.useSsl = false}},
        {"[Settings] after another section, its header with blanks: the account goes into [Settings]",
         crlf({"[Dirs]", "MailDir=C:\\Mail", "  [Settings] ", "RealName=", "ReturnAddress="}),
         crlf({"[Dirs]", "MailDir=C:\\Mail", "  [Settings] ", "RealName=Ann Example",
               "ReturnAddress=ann@example.com"}) +
             kPorts},
        {"no [Settings]: made ahead of the first section; lines before any header stay outside it",
         crlf({"; edited by hand", "Stray=1", "[Dirs]", "MailDir=C:\\Mail"}),
         crlf({"; edited by hand", "Stray=1", "[Settings]"}) + kDominantSet + crlf({"[Dirs]", "MailDir=C:\\Mail"})},
        {"an empty file", "", crlf({"[Settings]"}) + kDominantSet},
        {"two [Settings] sections: the first is the dominant personality, the second is copied",
         crlf({"[Settings]", "RealName=", "ReturnAddress=", "[Settings]", "RealName=Second"}),
         crlf({"[Settings]", "RealName=Ann Example", "ReturnAddress=ann@example.com"}) + kPorts +
             crlf({"[Settings]", "RealName=Second"})},
        {"a ReturnAddress before any section is no personality",
         crlf({"ReturnAddress=ann@example.com"}) + kBobInSettings,
         crlf({"ReturnAddress=ann@example.com"}) + kBobInSettings +
             crlf({"[Personalities]", "Persona0=Persona-ann@example.com"}) + kPersonality},
        {"LF ends: lines the writer does not own keep them, its own lines end in CR LF",
         "[Settings]\nRealName=\nReturnAddress=\nFoo=1\n[Dirs]\nX=1",
         "[Settings]\nRealName=Ann Example\r\nReturnAddress=ann@example.com\r\nFoo=1\n" + kPorts + "[Dirs]\nX=1"},
        {"lone CR ends, a file of CRs only between its lines",
         "[Settings]\rRealName=\rReturnAddress=\r\r\r[Dirs]\r",
         "[Settings]\rRealName=Ann Example\r\nReturnAddress=ann@example.com\r\n" + kPorts + "\r\r[Dirs]\r"},
        {"NUL and high bytes in a foreign line are copied as they are",
         bytes("[Dirs]\r\nOdd=a\0b\xFF\x81\r\n"),
         crlf({"[Settings]"}) + kDominantSet + bytes("[Dirs]\r\nOdd=a\0b\xFF\x81\r\n")},
        {"found in other letter case, accented letters too, with -u: the tested keys reset, IMAPAccount kept",
         kBobInSettings + crlf({"[Personalities]", "Persona0=Persona-jose", "[Persona-jose]",
                                "IMAPAccount=old@imap.old.example", "RealName=Old",
                                "ReturnAddress= JOS\xC9@Example.COM \t", "SMTPServer=smtp.old.example", "UsesPOP=1",
                                "", "[Persona-RealName ReturnAddress POPServer]", "RealName=Other"}),
         kBobInSettings + crlf({"[Personalities]", "Persona0=Persona-jose", "[Persona-jose]",
                                "IMAPAccount=old@imap.old.example", "RealName=Jos\xE9",
                                "ReturnAddress=jos\xE9@example.com", "SMTPServer=$SECURE", "UsesPOP=0",
                                "IMAPPort=993", "SMTPPort=465", "", "[Persona-RealName ReturnAddress POPServer]",
                                "RealName=Other"}),
         "jos\xE9@example.com", "Jos\xE9", {.overwriteExisting = true}},
        {"a [Settings] with some account keys but no return address gains one: else there is no account",
         crlf({"[Settings]", "UsesPOP=1", "SavePasswordText=1", "[Dirs]"}),
         crlf({"[Settings]", "UsesPOP=0", "SavePasswordText=1", "ReturnAddress=ann@example.com"}) + kPorts +
             crlf({"[Dirs]"})},
        {"only a line's key is tested, not its value: the reset names each key as often as before",
         crlf({"[Persona-ann]", "RealName=Ann UsesPOP Fan", "UsesPOP=1", "Note SMTPServer", "Note=LoginName",
               "SMTPPort=25 ReturnAddress=ann@example.com", "POPServer=a", "POPServer=b"}),
         crlf({"[Persona-ann]", "RealName=Ann UsesPOP Fan", "UsesPOP=0", "SMTPServer=$SECURE", "Note=LoginName",
               "SMTPPort=465", "POPServer=$SECURE", "POPServer=$SECURE", "ReturnAddress=ann@example.com",
               "IMAPPort=993"}),
         "ann@example.com", "Ann UsesPOP Fan", {.overwriteExisting = true}},
        {"two sections of one name: the one that holds the address is reset",
         crlf({"[Persona-ann]", "RealName=First", "[Persona-ann]", "ReturnAddress=ann@example.com",
               "IMAPPort=1", "SMTPPort=2"}),
         crlf({"[Persona-ann]", "RealName=First", "[Persona-ann]", "ReturnAddress=ann@example.com",
               "IMAPPort=993", "SMTPPort=465"}),
         "ann@example.com", "Ann Example", {.overwriteExisting = true}},
    };
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.name);
        seedIni(c.before);
        ASSERT_EQ(configure(c.address, c.displayName, c.flags), OutcomeConfigured);
        EXPECT_EQ(readFile(iniPath()), c.after);
        EXPECT_FALSE(platform::fileExists(tempPath()));
    }
}

TEST_F(EudoraWriterTest, TheReaderAnswersFromTheFileAsEudoraReadsIt) {
    using eudora::lastPersonaNumber;
    using eudora::settingsInUse;
    struct InUseCase {
        std::string file;
        bool inUse;
    };
    const std::vector<InUseCase> inUse = {
        {"[Settings]\nRealName=\nReturnAddress=\n", false},
        {"[Settings]\nRealName=\nReturnAddress=ann@example.com\n", true},
        {"[Settings]\nRealName=Bob\n", true},
        {"[Settings]\nSavePasswordText=1\n", false},
        {"[Dirs]\nRealName=Bob\n", false},
        {"[Other]\nReturnAddress=bob@example.com\n[Settings]\nRealName=\nReturnAddress=\n", false},
        {"[Settings]\nRealName=\nReturnAddress=\n[Persona-bob]\nReturnAddress=bob@example.com\n", false},
    };
    for (const auto& c : inUse) EXPECT_EQ(settingsInUse(c.file), c.inUse) << c.file;

    struct NumberCase {
        std::string file;
        long long number;
    };
    const std::vector<NumberCase> numbers = {
        {"[Settings]\nRealName=\n", -2},
        {"[Personalities]\n[Persona-one]\n", -1},
        {"[Personalities]\nDefaultPersona=one\n", -1},
        {"[Personalities]\nPersona0=Persona-one\nPersona1=Persona-two\n", 1},
        {"[Personalities]\nPersona0=Persona-a\nPersona2=Persona-c\nPersona1=Persona-b\n", 2},
        {"[Personalities]  \r\nPersona12=Persona-a\r\n", 12},
        {"[Personalities]\nPersona0=a\n[Personalities]\nPersona4=b\n", 4},
        {"[Persona-a]\nPersona7=not a list\n", -2},
    };
    for (const auto& c : numbers) EXPECT_EQ(lastPersonaNumber(c.file), c.number) << c.file;

    const std::string file = "ReturnAddress=ann@example.com\n[Settings]\nReturnAddress=bob@example.com\n"
                             "[Persona-ann]\nRealName=Ann\nReturnAddress=Ann@EXAMPLE.com\n";
    const auto found = eudora::findAccountByReturnAddress(file, "ann@example.com");
    EXPECT_TRUE(found.found);
    EXPECT_EQ(found.header, "[Persona-ann]");
    EXPECT_FALSE(eudora::findAccountByReturnAddress(file, "ann@example.co").found);
}

TEST_F(EudoraWriterTest, AnExistingAddressWithoutOverwriteChangesNothing) {
    const std::string before =
        kBobInSettings + crlf({"[Personalities]", "Persona0=Persona-ann", "[Persona-ann]", "ReturnAddress=ann@example.com"});
    seedIni(before);
    EXPECT_EQ(configure("ANN@example.com", "Ann Example"), OutcomeAccountExists);
    EXPECT_EQ(readFile(iniPath()), before);
    EXPECT_FALSE(platform::fileExists(tempPath())) << "no temporary file is made before a write is decided";
    EXPECT_EQ(logText(),
              "Starting Eudora configuration...\n\n"
              "Searching for existant ANN@example.com account ...  found. No changes will be made.\n");
}

TEST_F(EudoraWriterTest, TheLogNamesEveryLineWritten) {
    seedIni(crlf({"[Settings]", "RealName=", "ReturnAddress="}));
    ASSERT_EQ(configure("ann@example.com", "Ann Example", {.useSsl = false}), OutcomeConfigured);
    EXPECT_EQ(logText(), withHosts("Starting Eudora configuration...\n\n"
                                   "Searching for existant ann@example.com account ... not found. Creating new "
                                   "account.\n\n"
                                   "The following lines were written/overwritten in the Eudora configuration file:\n\n"
                                   "IMAPAccount: ann@example.com@$IMAP\n"
                                   "RealName: Ann Example\n"
                                   "SMTPServer: $SMTP\n"
                                   "ReturnAddress: ann@example.com\n"
                                   "IMAPServer: $IMAP\n"
                                   "LoginName: ann@example.com\n"
                                   "SmtpAuthAllowed: 1\n"
                                   "SSLReceiveUse: 0\n"
                                   "SSLSendUse: 0\n"
                                   "UsesIMAP: 1\n"
                                   "UsesPOP: 0\n"
                                   "IMAPPort: 143\n"
                                   "SMTPPort: 587\n"));

    platform::deleteFile(logFile());
    ASSERT_EQ(configure("ann@example.com", "Ann Other", {.overwriteExisting = true}), OutcomeConfigured);
    const std::string log = logText();
    EXPECT_NE(log.find("account ...  found. Reseting settings to defaults.\n\nThe following lines"), std::string::npos)
        << log;
    EXPECT_NE(log.find(withHosts("IMAPAccount: ann@example.com@$SECURE\nRealName: Ann Other\n")), std::string::npos);
}

TEST_F(EudoraWriterTest, WithoutAFileInTheApplicationDataFolderTheProgramFolderIsTried) {
    struct Case {
        const char* name;
        std::string entry;  // App Paths default value; empty: no key
        bool iniBesideProgram;
        std::string logLine;
    };
    const std::string program = folder() + "\\Program\\Eudora";
    const std::string inAppData = iniPath();
    const std::vector<Case> cases = {
        {"no App Paths entry", "", false,
         "No Eudora settings file was found at " + inAppData + ". App Paths names no Eudora.exe."},
        {"an entry for another program", program + "\\Mailer.exe", false,
         "No Eudora settings file was found at " + inAppData + ". App Paths names no Eudora.exe."},
        {"no Eudora.ini beside Eudora.exe", program + "\\Eudora.exe", false,
         "No Eudora settings file was found at " + inAppData + " or " + program + "\\Eudora.ini."},
        {"Eudora.ini beside Eudora.exe", program + "\\Eudora.exe", true, ""},
        {"a quoted entry in capitals", "\"" + program + "\\EUDORA.EXE\"", true, ""},
        {"an entry with %ProgramFiles%", "%ProgramFiles%\\Eudora\\Eudora.exe", true, ""},
    };
    // The entry is in the 64-bit registry view, whose program folder a 64-bit
    // Windows names ProgramW6432.
    const ScopedEnvironment programFiles("ProgramFiles", folder() + "\\Program");
    const ScopedEnvironment programW6432("ProgramW6432", folder() + "\\Program");
    ASSERT_EQ(platform::createFolder(folder() + "\\Program"), platform::kSuccess);
    ASSERT_EQ(platform::createFolder(program), platform::kSuccess);
    const std::string besideProgram = program + "\\Eudora.ini";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::testing::deleteKeyTree(Hive::LocalMachine, kAppPathsKey);
        if (!c.entry.empty()) seedText(Hive::LocalMachine, kAppPathsKey, "", c.entry);
        platform::deleteFile(besideProgram);
        if (c.iniBesideProgram) {
            ASSERT_EQ(platform::writeNewFile(besideProgram, ""), platform::kSuccess);
        }
        platform::deleteFile(logFile());

        const ConfigOutcome outcome = configure("ann@example.com", "Ann Example");
        if (c.iniBesideProgram) {
            EXPECT_EQ(outcome, OutcomeConfigured);
            EXPECT_EQ(readFile(besideProgram), crlf({"[Settings]"}) + kDominantSet);
            EXPECT_FALSE(platform::fileExists(program + "\\Eudora.tmp"));
        } else {
            EXPECT_EQ(outcome, OutcomeCannotConfigure);
            EXPECT_EQ(logText(), "Starting Eudora configuration...\n\n" + c.logLine + "\n");
            EXPECT_FALSE(platform::fileExists(besideProgram));
        }
        EXPECT_FALSE(platform::fileExists(inAppData)) << "nothing is made where no file was";
    }
}

TEST_F(EudoraWriterTest, EveryFailureLeavesEudoraIniAsItWas) {
    const std::string before = crlf({"[Settings]", "RealName=", "ReturnAddress="});
    seedIni(before);
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::function<void()> undo;
        std::string logLine;
        bool tempFolderStays = false;
    };
    std::unique_ptr<platform::testing::ExclusiveFileLock> lock;
    const std::vector<Case> cases = {
        {"Eudora.ini held open by another program",
         [&] { lock = std::make_unique<platform::testing::ExclusiveFileLock>(iniPath()); }, [&] { lock.reset(); },
         "Unable to read " + iniPath() + " (error 32). No changes have been made."},
        {"a read-only Eudora.ini", [&] { platform::testing::setReadOnly(iniPath(), true); },
         [&] { platform::testing::setReadOnly(iniPath(), false); },
         "Unable to replace " + iniPath() + " with " + tempPath() + " (error 5). No changes have been made."},
        // Last: the folder stays.
        {"a folder in the place of Eudora.tmp",
         [&] { ASSERT_EQ(platform::createFolder(tempPath()), platform::kSuccess); }, [] {},
         "Unable to create " + tempPath() + " (error 5). No changes have been made.", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::deleteFile(logFile());
        c.arrange();
        EXPECT_EQ(configure("ann@example.com", "Ann Example"), OutcomeCannotConfigure);
        c.undo();
        EXPECT_EQ(readFile(iniPath()), before);
        EXPECT_EQ(platform::fileExists(tempPath()), false) << "no temporary file is left";
        EXPECT_EQ(platform::folderExists(tempPath()), c.tempFolderStays);
        const std::string log = logText();
        EXPECT_NE(log.find(c.logLine + "\n"), std::string::npos) << log;
        EXPECT_EQ(log.find("The following lines were written"), std::string::npos);
    }
}

TEST_F(EudoraWriterTest, ALineBreakInANameWouldStartAnotherSettingAndIsRefused) {
    const std::string before = crlf({"[Settings]", "RealName=", "ReturnAddress="});
    seedIni(before);
    EXPECT_EQ(configure("ann@example.com", "Ann\r\n[Settings]"), OutcomeCannotConfigure);
    EXPECT_EQ(configure("ann@example.com\nUsesPOP=1", "Ann"), OutcomeCannotConfigure);
    EXPECT_EQ(readFile(iniPath()), before);
    EXPECT_NE(logText().find("The address or the display name contains a line break. No changes have been made.\n"),
              std::string::npos);
}

TEST_F(EudoraWriterTest, ALargeFileIsCopiedWhole) {
    std::string filler;
    for (int n = 0; filler.size() < (3u << 20); ++n) filler += "Key" + std::to_string(n) + "=" + std::string(40, 'x') + "\r\n";
    const std::string before = kBobInSettings + crlf({"[Filler]"}) + filler + crlf({"[Personalities]"});
    seedIni(before);
    ASSERT_EQ(configure("ann@example.com", "Ann Example"), OutcomeConfigured);
    EXPECT_TRUE(readFile(iniPath()) == before + crlf({"Persona0=Persona-ann@example.com"}) + kPersonality);
}

TEST_F(EudoraWriterTest, TheDriverRunsTheWriterAndDescribesItsFailure) {
    RunState state;
    state.request.clientKind = Eudora;
    state.request.commandLineMode = true;
    state.request.makeDefault = true;
    state.request.address = "ann@example.com";
    state.request.displayName = "Ann Example";
    state.log.open(logFile());
    EXPECT_EQ(runConfigurationDriver(state).outcome, OutcomeCannotConfigure);
    const std::string log = logText();
    EXPECT_NE(log.find("Make Account Default: Yes\nOverwrite Existing Account: No\n"
                       "Client Selected to Configure: Qualcomm Eudora\n\nStarting Eudora configuration...\n\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Email Client Configuration failed with error code: 1\n"
                       "Description: ERROR: Eudora has not been run for the first time or Eudora is not set to store "
                       "data in the default location.\n"),
              std::string::npos)
        << log;
}

}  // namespace
}  // namespace tw::test
