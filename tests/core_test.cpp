// Outcome texts, provider servers, registry conventions and the session log.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/markers.h"
#include "core/outcome.h"
#include "core/provider.h"
#include "core/registry_access.h"
#include "core/session_log.h"
#include "platform/files.h"
#include "platform/testing.h"
#include "tests/support/test_env.h"

namespace tw::test {
namespace {

using platform::Hive;

TEST(DescribeOutcome, KnownPairsAndEverythingElseEmpty) {
    struct Case {
        ClientKind kind;
        ConfigOutcome outcome;
        std::string_view text;
    };
    const Case cases[] = {
        {OutlookExpress, 1, "ERROR: Unable to automatically configure"},
        {OutlookExpress, 6, "ERROR: Identical Automatically Created Account was already found, no changes have been made."},
        {Outlook, 2, "ERROR: Unable to automatically configure"},
        {Outlook, 4, "ERROR: No default email profile found. Please run Outlook and select a Default Profile when prompted during startup."},
        {WindowsMail, 5, "ERROR: Account was already found, no changes have been made."},
        {Eudora, 1, "ERROR: Eudora has not been run for the first time or Eudora is not set to store data in the default location."},
        {WindowsMail, 1, "ERROR: Unable to automatically configure"},
        {WindowsMail, 6, ""},
        {Thunderbird, 6, ""},
        {OutlookExpress, 0, ""},
        {Outlook, -1, ""},
        {5, 5, ""},
        {-1, 1, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(describeOutcome(c.kind, c.outcome), c.text) << "kind " << c.kind << " outcome " << c.outcome;
    }
}

TEST(ProviderServers, SslPicksTheSecureHostAndPorts) {
    constexpr ProviderServers secure = providerServers(true);
    EXPECT_EQ(secure.incomingHost, std::string_view(SecureHost));
    EXPECT_EQ(secure.outgoingHost, std::string_view(SecureHost));
    EXPECT_EQ(secure.imapPort, 993);
    EXPECT_EQ(secure.smtpPort, 465);
    constexpr ProviderServers plain = providerServers(false);
    EXPECT_EQ(plain.incomingHost, std::string_view(ImapHost));
    EXPECT_EQ(plain.outgoingHost, std::string_view(SmtpHost));
    EXPECT_EQ(plain.imapPort, 143);
    EXPECT_EQ(plain.smtpPort, 587);
}

TEST(ExpandProgramFiles, FirstOccurrenceOfEachPlaceholderOnly) {
    ScopedEnvironment programFiles64("ProgramW6432", "C:\\Program Files");
    ScopedEnvironment programFilesX86("ProgramFiles(x86)", "C:\\Program Files (x86)");
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"%ProgramFiles%\\Mozilla Thunderbird\\thunderbird.exe", "C:\\Program Files\\Mozilla Thunderbird\\thunderbird.exe"},
        {"%ProgramFiles%\\a;%ProgramFiles%\\b", "C:\\Program Files\\a;%ProgramFiles%\\b"},
        {"%ProgramFiles(x86)%\\Eudora\\Eudora.exe", "C:\\Program Files (x86)\\Eudora\\Eudora.exe"},
        {"C:\\mail\\msimn.exe", "C:\\mail\\msimn.exe"},
    };
    for (const auto& c : cases) EXPECT_EQ(expandProgramFiles(c.in, RegistryView::Bits64), c.out) << c.in;
    ScopedEnvironment unset("ProgramFiles(x86)", std::nullopt);
    EXPECT_EQ(expandProgramFiles("%ProgramFiles(x86)%\\x.exe", RegistryView::Bits64), "%ProgramFiles(x86)%\\x.exe")
        << "an unset variable leaves its placeholder";
}

// "%ProgramFiles%" in an entry means the program folder of the bitness of the
// registry view it came from, whichever bitness reads it: the rows are what a
// 32-bit and a 64-bit process find on each kind of Windows.
class ProgramFilesFolders : public TidewellTest {};

TEST_F(ProgramFilesFolders, EachViewMeansTheFolderOfItsBitness) {
    struct Case {
        const char* what;
        RegistryView view;
        std::optional<std::string_view> w6432, x86, programFiles;
        const char* registry64;  // ProgramFilesDir in the 64-bit view; nullptr for none
        const char* expected;
    };
    const Case cases[] = {
        {"64-bit entry, 32-bit process, Windows 7+", RegistryView::Bits64, "C:\\P64", "C:\\P86", "C:\\P86", nullptr,
         "C:\\P64\\m.exe"},
        {"64-bit entry, 32-bit process, 64-bit Vista", RegistryView::Bits64, std::nullopt, "C:\\P86", "C:\\P86",
         "C:\\Reg64", "C:\\Reg64\\m.exe"},
        {"64-bit entry, 32-bit Windows", RegistryView::Bits64, std::nullopt, std::nullopt, "C:\\P", nullptr,
         "C:\\P\\m.exe"},
        {"32-bit entry, 64-bit process", RegistryView::Bits32, "C:\\P64", "C:\\P86", "C:\\P64", "C:\\Reg64",
         "C:\\P86\\m.exe"},
        {"32-bit entry, 32-bit Windows", RegistryView::Bits32, std::nullopt, std::nullopt, "C:\\P", nullptr,
         "C:\\P\\m.exe"},
        {"no folder known", RegistryView::Bits32, std::nullopt, std::nullopt, std::nullopt, nullptr,
         "%ProgramFiles%\\m.exe"},
    };
    const char* kCurrentVersion = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    // The 32-bit view's folder never stands in for the 64-bit one.
    seedText(Hive::LocalMachine, kCurrentVersion, "ProgramFilesDir", "C:\\Reg86", platform::kKeyView32);
    for (const auto& c : cases) {
        platform::testing::deleteKeyTree(Hive::LocalMachine, kCurrentVersion);
        if (c.registry64) seedText(Hive::LocalMachine, kCurrentVersion, "ProgramFilesDir", c.registry64, platform::kKeyView64);
        ScopedEnvironment w6432("ProgramW6432", c.w6432);
        ScopedEnvironment x86("ProgramFiles(x86)", c.x86);
        ScopedEnvironment programFiles("ProgramFiles", c.programFiles);
        EXPECT_EQ(expandProgramFiles("%ProgramFiles%\\m.exe", c.view), c.expected) << c.what;
    }
}

class RegistryText : public TidewellTest {};

// Machine-wide text is looked for in the 64-bit registry view, then in the
// 32-bit one: the first key that holds the value as text wins.
TEST_F(RegistryText, MachineTextFromEitherView) {
    using platform::kKeyView32;
    using platform::kKeyView64;
    struct Case {
        const char* what;
        const char* in64;  // the value in each view: nullptr for no key, "" for a key without it
        const char* in32;
        std::string expected;
        RegistryView view;
    };
    const Case cases[] = {
        {"64-bit view only", "sixty-four", nullptr, "sixty-four", RegistryView::Bits64},
        {"32-bit view only", nullptr, "thirty-two", "thirty-two", RegistryView::Bits32},
        {"both: the 64-bit view wins", "sixty-four", "thirty-two", "sixty-four", RegistryView::Bits64},
        {"a 64-bit key without the value", "", "thirty-two", "thirty-two", RegistryView::Bits32},
        {"neither view", "", nullptr, std::string(kErrorMarker), RegistryView::Bits64},
    };
    const std::string key = "SOFTWARE\\Tidewell Test";
    for (const auto& c : cases) {
        platform::testing::deleteKeyTree(Hive::LocalMachine, key);
        platform::testing::deleteKeyTree(Hive::LocalMachine, "SOFTWARE\\Wow6432Node\\Tidewell Test");
        for (auto [text, view] : {std::pair{c.in64, kKeyView64}, std::pair{c.in32, kKeyView32}}) {
            if (text == nullptr) continue;
            seedKey(Hive::LocalMachine, key, view);
            if (*text != '\0') seedText(Hive::LocalMachine, key, "v", text, view);
        }
        RegistryView found = RegistryView::Bits64;
        EXPECT_EQ(readMachineText(key, "v", platform::kKeyRead, &found), c.expected) << c.what;
        EXPECT_EQ(found, c.view) << c.what;
    }
}

TEST_F(RegistryText, MarkersForWhatCannotBeRead) {
    seedText(Hive::CurrentUser, "Software\\T", "text", "value");
    seedDword(Hive::CurrentUser, "Software\\T", "number", 7);
    seedText(Hive::CurrentUser, "Software\\T", "long", std::string(400, 'p'));
    EXPECT_EQ(readRegistryText(Hive::CurrentUser, "Software\\T", "text", platform::kKeyRead), "value");
    EXPECT_EQ(readRegistryText(Hive::CurrentUser, "Software\\Missing", "text", platform::kKeyRead), kErrorMarker);
    EXPECT_EQ(readRegistryText(Hive::CurrentUser, "Software\\T", "absent", platform::kKeyRead), kErrorMarker);
    EXPECT_EQ(readRegistryText(Hive::CurrentUser, "Software\\T", "number", platform::kKeyRead), kErrorMarker)
        << "a number is not text";
    EXPECT_EQ(readRegistryText(Hive::CurrentUser, "Software\\T", "long", platform::kKeyRead), std::string(400, 'p'))
        << "read whole, no fixed buffer";
}

TEST_F(RegistryText, AppDataFallsBackToTheEnvironment) {
    EXPECT_EQ(appDataFolder(), folder());
    seedDword(Hive::CurrentUser, "Volatile Environment", "APPDATA", 1);
    {
        ScopedEnvironment appData("APPDATA", "C:\\typed");
        EXPECT_EQ(appDataFolder(), "C:\\typed") << "a value that is not text counts as missing";
    }
    platform::testing::deleteKeyTree(Hive::CurrentUser, "Volatile Environment");
    {
        ScopedEnvironment appData("APPDATA", "C:\\from\\environment");
        EXPECT_EQ(appDataFolder(), "C:\\from\\environment");
        EXPECT_EQ(logPath(), "C:\\from\\environment\\Tidewell.log");
    }
    ScopedEnvironment appData("APPDATA", std::nullopt);
    EXPECT_EQ(appDataFolder(), "");
    EXPECT_EQ(logPath(), "") << "no folder, no log";
}

class SessionLogTest : public TidewellTest {};

TEST_F(SessionLogTest, BannerLinesEndInCrLfAndRunsAppend) {
    for (bool commandLine : {true, false}) {
        SessionLog log;
        openSessionLog(log, commandLine);
        log << "Detail " << 42 << ' ' << -1;
        log.endLine();
        log.close();
        log.line("after close is dropped");
    }
    const std::string raw = readFile(logFile());
    EXPECT_EQ(raw.find("\n\n"), std::string::npos) << "every line ends in CR LF";
    EXPECT_EQ(logText(),
              "Tidewell - Quillmark Log\n"
              "-------------------------------------------\n"
              "\n"
              "* Beginning Configuration (command line) at <time> *\n"
              "\n"
              "Detail 42 -1\n"
              "Tidewell - Quillmark Log\n"
              "-------------------------------------------\n"
              "\n"
              "* Beginning Configuration at <time> *\n"
              "\n"
              "Detail 42 -1\n");
}

TEST_F(SessionLogTest, AnUnopenableLogDropsEverySilently) {
    seedText(Hive::CurrentUser, "Volatile Environment", "APPDATA", folder() + "\\no such folder");
    SessionLog log;
    openSessionLog(log, true);
    EXPECT_FALSE(log.isOpen());
    log.line("dropped");
    log.close();
    EXPECT_FALSE(platform::fileExists(folder() + "\\no such folder\\Tidewell.log"));
}

TEST_F(SessionLogTest, TimeStampPattern) {
    const std::string stamp = timeStamp();
    EXPECT_EQ(maskTimes(stamp), "<time>") << stamp;
}

TEST_F(SessionLogTest, RegistryDumpIndentsPerLevel) {
    const std::string root = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem";
    seedKey(Hive::CurrentUser, root + "\\Profiles\\Outlook\\second");
    seedKey(Hive::CurrentUser, root + "\\Profiles\\Outlook\\first");
    seedKey(Hive::CurrentUser, root + "\\Empty");
    SessionLog log;
    ASSERT_TRUE(log.open(logFile()));
    dumpRegistryTree(root, 0, log);
    dumpRegistryTree(root + "\\Empty", 0, log);
    dumpRegistryTree("Software\\Missing", 0, log);
    log.close();
    EXPECT_EQ(logText(),
              "Empty\n"
              "Profiles\n"
              "   Outlook\n"
              "      first\n"
              "      second\n"
              "error: 2\n");
}

}  // namespace
}  // namespace tw::test
