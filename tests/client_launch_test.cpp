// Starting the configured client from its App Paths entry. Under Wine the
// entries point at copies of a small program that notes each start. The copies
// never carry a client's image name: one still ending would look like a running
// client to the next test.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/client_launch.h"
#include "core/client_kind.h"
#include "core/session_log.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/testing.h"
#include "tests/support/test_env.h"

namespace tw::test {
namespace {

using platform::Hive;
using platform::testing::installLaunchRecorder;
using platform::testing::launchRecorderRuns;

std::string appPathsKey(ClientKind kind) {
    return "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + std::string(clientImageName(kind));
}

// How long to watch for a program that must not start.
constexpr unsigned kNoStartWaitMs = 1500;
constexpr unsigned kStartWaitMs = 10000;

class ClientLaunchTest : public TidewellTest {
protected:
    ClientLaunchTest() {
        clientFolder_ = folder() + "\\Mail Client";
        platform::createFolder(clientFolder_);
        log_.open(logFile());
    }

    std::string clientFolder_;
    SessionLog log_;
};

TEST_F(ClientLaunchTest, StartsThePathItselfNotAProgramNamedByItsFirstWord) {
    // Read as a bare command line, "<folder>\Mail Client\mailer.exe" would start
    // "<folder>\Mail.exe"; a decoy waits there.
    const std::string client = clientFolder_ + "\\mailer.exe";
    const std::string decoy = folder() + "\\Mail.exe";
    installLaunchRecorder(client);
    installLaunchRecorder(decoy);
    seedText(Hive::LocalMachine, appPathsKey(OutlookExpress), "", client);

    launchClient(OutlookExpress, log_);

    EXPECT_EQ(launchRecorderRuns(client, kStartWaitMs), client + "\r\n") << "started once";
    EXPECT_EQ(launchRecorderRuns(decoy, 0), "");
    EXPECT_EQ(logText(), "Email client path to start is : " + client + "\n\n");
}

TEST_F(ClientLaunchTest, EachClientStartsFromItsOwnEntry) {
    for (ClientKind kind = 0; kind < kClientCount; ++kind) {
        const std::string client = clientFolder_ + "\\client" + std::to_string(kind) + ".exe";
        installLaunchRecorder(client);
        seedText(Hive::LocalMachine, appPathsKey(kind), "", client);
    }
    launchClient(Thunderbird, log_);
    launchClient(Outlook, log_);

    EXPECT_NE(launchRecorderRuns(clientFolder_ + "\\client4.exe", kStartWaitMs), "");
    EXPECT_NE(launchRecorderRuns(clientFolder_ + "\\client1.exe", kStartWaitMs), "");
    for (ClientKind kind : {OutlookExpress, WindowsMail, Eudora}) {
        EXPECT_EQ(launchRecorderRuns(clientFolder_ + "\\client" + std::to_string(kind) + ".exe", 0), "") << kind;
    }
}

// A client's entry is in the registry view of its bitness, and its
// "%ProgramFiles%" is that bitness's program folder; the path is logged expanded.
TEST_F(ClientLaunchTest, EntriesFromEitherRegistryViewWithTheirProgramFolder) {
    ScopedEnvironment programFiles64("ProgramW6432", folder() + "\\P64");
    ScopedEnvironment programFiles32("ProgramFiles(x86)", folder() + "\\P86");
    ScopedEnvironment programFiles("ProgramFiles", folder() + "\\Own");
    struct Case {
        ClientKind kind;
        std::uint32_t view;
        const char* programFolder;
    };
    const Case cases[] = {
        {Thunderbird, platform::kKeyView64, "P64"},
        {Eudora, platform::kKeyView32, "P86"},
    };
    std::string expectedLog;
    for (const Case& c : cases) {
        const std::string base = folder() + "\\" + c.programFolder;
        platform::createFolder(base);
        platform::createFolder(base + "\\Mail Client");
        const std::string client = base + "\\Mail Client\\mailer.exe";
        installLaunchRecorder(client);
        seedText(Hive::LocalMachine, appPathsKey(c.kind), "", "%ProgramFiles%\\Mail Client\\mailer.exe", c.view);

        launchClient(c.kind, log_);

        EXPECT_EQ(launchRecorderRuns(client, kStartWaitMs), client + "\r\n") << c.programFolder;
        expectedLog += "Email client path to start is : " + client + "\n\n";
        EXPECT_EQ(logText(), expectedLog);
    }
}

TEST_F(ClientLaunchTest, AnEntryInBothViewsStartsTheSixtyFourBitOne) {
    const std::string client64 = clientFolder_ + "\\client64.exe";
    const std::string client32 = clientFolder_ + "\\client32.exe";
    installLaunchRecorder(client64);
    installLaunchRecorder(client32);
    seedText(Hive::LocalMachine, appPathsKey(WindowsMail), "", client64, platform::kKeyView64);
    seedText(Hive::LocalMachine, appPathsKey(WindowsMail), "", client32, platform::kKeyView32);

    launchClient(WindowsMail, log_);

    EXPECT_EQ(launchRecorderRuns(client64, kStartWaitMs), client64 + "\r\n");
    EXPECT_EQ(launchRecorderRuns(client32, 0), "");
}

TEST_F(ClientLaunchTest, AQuotedEntryStartsTheProgramAndIsLoggedAsWritten) {
    const std::string client = clientFolder_ + "\\mailer.exe";
    installLaunchRecorder(client);
    seedText(Hive::LocalMachine, appPathsKey(Eudora), "", "\"" + client + "\"");

    launchClient(Eudora, log_);

    EXPECT_NE(launchRecorderRuns(client, kStartWaitMs), "");
    EXPECT_EQ(logText(), "Email client path to start is : \"" + client + "\"\n\n");
}

TEST_F(ClientLaunchTest, NoEntryMeansNoStartAndNoLogLine) {
    struct Case {
        const char* what;
        bool key;
        std::optional<std::string> value;
    };
    const Case cases[] = {
        {"no App Paths key", false, std::nullopt},
        {"a key without its default value", true, std::nullopt},
        {"an empty default value", true, std::string()},
    };
    const std::string client = clientFolder_ + "\\mailer.exe";
    installLaunchRecorder(client);
    for (const Case& c : cases) {
        platform::testing::deleteKeyTree(Hive::LocalMachine, appPathsKey(WindowsMail));
        if (c.key) seedText(Hive::LocalMachine, appPathsKey(WindowsMail), "Path", clientFolder_);
        if (c.value) seedText(Hive::LocalMachine, appPathsKey(WindowsMail), "", *c.value);

        launchClient(WindowsMail, log_);

        EXPECT_EQ(logText(), "") << c.what;
    }
    EXPECT_EQ(launchRecorderRuns(client, kNoStartWaitMs), "");
}

}  // namespace
}  // namespace tw::test
