// Installed clients, Outlook's version, the default client and running clients.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "detect/default_client.h"
#include "detect/installed_clients.h"
#include "detect/running_clients.h"
#include "platform/testing.h"
#include "tests/support/test_env.h"

namespace tw::test {
namespace {

using platform::Hive;

class Detection : public TidewellTest {
protected:
    std::string detectAndLog() {
        SessionLog log;
        EXPECT_TRUE(log.open(logFile()));
        notDetected_.clear();
        installed_ = detectInstalledClients(log, [this](ClientKind kind) { notDetected_.push_back(kind); });
        log.close();
        return logText();
    }
    InstalledClients installed_;
    std::vector<ClientKind> notDetected_;
};

TEST_F(Detection, NothingInstalled) {
    EXPECT_EQ(detectAndLog(),
              "Searching for Mozilla Thunderbird ... not detected.\n"
              "Searching for Qualcomm Eudora ... not detected.\n"
              "Searching for Microsoft Outlook Express ... not detected.\n"
              "Searching for Microsoft Windows Mail ... not detected.\n"
              "Searching for Microsoft Outlook ... not detected.\n"
              "\n");
    EXPECT_EQ(installed_.outlookMajorVersion, -1);
    EXPECT_EQ(notDetected_, (std::vector<ClientKind>{Thunderbird, Eudora, OutlookExpress, WindowsMail, Outlook}));
}

TEST_F(Detection, InstalledClientsAndOutlookVersion) {
    registerClient("Mozilla Thunderbird");
    registerClient("Outlook Express");
    seedText(Hive::LocalMachine, "SOFTWARE\\Clients\\Mail\\Microsoft Outlook", "MSIApplicationLCID",
             "Software\\Microsoft\\Office\\12.0\\Outlook");
    EXPECT_EQ(detectAndLog(),
              "Searching for Mozilla Thunderbird ... found.\n"
              "Searching for Qualcomm Eudora ... not detected.\n"
              "Searching for Microsoft Outlook Express ... found.\n"
              "Searching for Microsoft Windows Mail ... not detected.\n"
              "Searching for Microsoft Outlook ... found. (Version 12)\n"
              "\n");
    EXPECT_EQ(installed_.outlookMajorVersion, 12);
    EXPECT_EQ(notDetected_, (std::vector<ClientKind>{Eudora, WindowsMail}));
}

// On 64-bit Windows a client registers in the registry view of its own
// bitness (Outlook 2000 to 2007 only ever in the 32-bit one); detection finds
// each in either view, whatever the bitness of this program.
TEST_F(Detection, ClientsRegisteredInEitherRegistryView) {
    registerClient("Mozilla Thunderbird", platform::kKeyView64);
    registerClient("Eudora", platform::kKeyView32);
    seedText(Hive::LocalMachine, "SOFTWARE\\Clients\\Mail\\Microsoft Outlook", "MSIApplicationLCID",
             "Software\\Microsoft\\Office\\11.0\\Outlook", platform::kKeyView32);
    EXPECT_EQ(detectAndLog(),
              "Searching for Mozilla Thunderbird ... found.\n"
              "Searching for Qualcomm Eudora ... found.\n"
              "Searching for Microsoft Outlook Express ... not detected.\n"
              "Searching for Microsoft Windows Mail ... not detected.\n"
              "Searching for Microsoft Outlook ... found. (Version 11)\n"
              "\n");
    EXPECT_EQ(installed_.outlookMajorVersion, 11);
}

TEST_F(Detection, OutlookWithoutItsVersionValueCountsAsOld) {
    registerClient("Microsoft Outlook");
    detectAndLog();
    EXPECT_TRUE(installed_.installed[Outlook]);
    EXPECT_EQ(installed_.outlookMajorVersion, 0);
}

TEST(OutlookVersion, ParsedBetweenOfficeAndDotZero) {
    struct Case {
        const char* value;
        int version;
    };
    const Case cases[] = {
        {"Software\\Microsoft\\Office\\11.0\\Outlook", 11},
        {"C:\\Microsoft Office\\Office\\11.0\\", 0},  // only the first "Office\" counts
        {"Office\\9.0\\", 9},
        {"Office\\ 10x.0\\", 10},
        {"Office\\12.0", 0},             // no ".0\" after the number
        {"Program\\12.0\\", 0},          // no "Office\"
        {"", 0},
        {"Office\\99999999999999999999.0\\", 2147483647},  // absurd, but no overflow
    };
    for (const auto& c : cases) EXPECT_EQ(parseOutlookVersion(c.value), c.version) << c.value;
}

TEST(DefaultClient, MailtoCommandClassification) {
    struct Case {
        const char* command;
        int code;
    };
    const Case cases[] = {
        {"\"C:\\Program Files\\Mozilla Thunderbird\\thunderbird.exe\" -osint -compose \"%1\"", 5},
        {"C:\\PROGRA~1\\MICROS~2\\OFFICE11\\OUTLOOK.EXE -c IPM.Note /m \"%1\"", 2},
        {"\"C:\\Program Files\\Windows Mail\\WinMail.exe\" /mailurl:%1", 3},
        {"\"C:\\Program Files\\Windows Mail\\wab.exe\" %1", 0},
        {"\"C:\\Program Files\\Outlook Express\\msimn.exe\" /mailurl:%1", 1},
        {"\"C:\\Program Files\\Outlook Express\\mail.exe\" %1", 0},
        {"C:\\Eudora\\Eudora.exe %1", 4},
        {"msimn.exe /thunderbird", 1},  // later rules win
        {"", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(classifyMailtoCommand(c.command), c.code) << c.command;
}

class DefaultClientRegistry : public TidewellTest {};

TEST_F(DefaultClientRegistry, ReadsTheMailtoCommand) {
    EXPECT_EQ(detectDefaultClient(), 0) << "no mailto command";
    seedText(Hive::ClassesRoot, "mailto\\shell\\open\\command", "", "C:\\x\\Thunderbird.exe %1");
    EXPECT_EQ(detectDefaultClient(), 5);
    seedDword(Hive::ClassesRoot, "mailto\\shell\\open\\command", "", 5);
    EXPECT_EQ(detectDefaultClient(), 0) << "a command that is not text";
}

class RunningClients : public TidewellTest {
protected:
    ~RunningClients() override {
        for (auto id : started_) platform::testing::stopProcess(id);
    }
    std::uint32_t start(const std::string& image) {
        const auto id = platform::testing::startStandInProcess(image, folder());
        started_.push_back(id);
        return id;
    }
    std::vector<std::uint32_t> started_;
};

TEST_F(RunningClients, NoneRunningLogsNothing) {
    start("outlook.exe");      // wrong case: not Outlook
    start("Thunderbird.exe");  // wrong case: not Thunderbird
    SessionLog log;
    ASSERT_TRUE(log.open(logFile()));
    EXPECT_TRUE(checkRunningClients(log, false));
    log.close();
    EXPECT_EQ(logText(), "");
}

TEST_F(RunningClients, ARunningClientStopsTheRun) {
    const auto id = start("msimn.exe");
    SessionLog log;
    ASSERT_TRUE(log.open(logFile()));
    EXPECT_FALSE(checkRunningClients(log, false));
    EXPECT_FALSE(log.isOpen()) << "the stop closes the log";
    EXPECT_EQ(logText(),
              "Running Email Client Detected. Closing.\n"
              "\n"
              "* Configuration Incomplete. Terminated automatically at <time> *\n"
              "\n");
    EXPECT_FALSE(platform::testing::waitForProcessExit(id, 0)) << "left running";
}

TEST_F(RunningClients, CloseRunningClientsTerminatesEveryInstance) {
    const auto first = start("OUTLOOK.EXE");
    const auto second = start("OUTLOOK.EXE");
    const auto third = start("WinMail.exe");
    SessionLog log;
    ASSERT_TRUE(log.open(logFile()));
    EXPECT_TRUE(checkRunningClients(log, true));
    log.close();
    EXPECT_EQ(logText(),
              "Running Email Client Detected: OUTLOOK.EXE. Closed.\n"
              "Running Email Client Detected: OUTLOOK.EXE. Closed.\n"
              "Running Email Client Detected: WinMail.exe. Closed.\n");
    for (auto id : {first, second, third}) EXPECT_TRUE(platform::testing::waitForProcessExit(id, 5000));
}

TEST_F(RunningClients, AClientThatCannotBeClosedStopsTheRun) {
    const auto id = platform::testing::startUnstoppableStandIn("thunderbird.exe");
    if (id == 0) GTEST_SKIP() << "this backend cannot make a process that refuses termination";
    started_.push_back(id);
    SessionLog log;
    ASSERT_TRUE(log.open(logFile()));
    EXPECT_FALSE(checkRunningClients(log, true));
    EXPECT_EQ(logText(),
              "Running Email Client Detected: thunderbird.exe. Could not be closed (error 5).\n"
              "Running Email Client Detected. Closing.\n"
              "\n"
              "* Configuration Incomplete. Terminated automatically at <time> *\n"
              "\n");
}

}  // namespace
}  // namespace tw::test
