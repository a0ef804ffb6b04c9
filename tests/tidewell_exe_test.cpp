// tidewell.exe itself, started without arguments and driven from this separate
// program: its resources, its modal loop, the About box it opens, its exit.
//
// A child process does not share this process's scratch registry, so these
// tests seed the Wine prefix's own registry and put everything back afterwards.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/provider.h"
#include "platform/dialog.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/testing.h"
#include "tests/support/test_env.h"
#include "ui/resource.h"

namespace tw::test {
namespace {

using platform::DialogWindow;
using platform::Hive;
namespace ui = platform::testing;

constexpr int kClose = platform::kIdCancel;
constexpr unsigned kWindowWaitMs = 30000;

std::string programFolder() {
    const std::string self = ui::currentProgramPath();
    return self.substr(0, self.find_last_of('\\'));
}

bool waitUntilGone(const std::string& title, unsigned timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (ui::findWindow(title, 0)) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

template <typename Condition>
bool waitFor(Condition condition, unsigned timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

class TidewellProgramTest : public ::testing::Test {
protected:
    TidewellProgramTest() {
        seedText(Hive::CurrentUser, "Volatile Environment", "APPDATA", temp_.path());
        seedKey(Hive::LocalMachine, kRegistration);
        seedText(Hive::ClassesRoot, kMailto, "", "\"C:\\Program Files\\Outlook Express\\msimn.exe\" /mailurl:%1");
        seedKey(Hive::CurrentUser, kAccounts);
        const std::string clientFolder = temp_.path() + "\\Mail Client";
        platform::createFolder(clientFolder);
        client_ = clientFolder + "\\mailer.exe";
        ui::installLaunchRecorder(client_);
        seedText(Hive::LocalMachine, kAppPaths, "", client_);
    }

    DialogWindow startDialog() {
        const std::string program = programFolder() + "\\tidewell.exe";
        EXPECT_EQ(tidewell_.start(program, "\"" + program + "\""), platform::kSuccess) << program;
        return ui::findWindow("Quillmark", kWindowWaitMs);
    }

    std::string logText() const { return maskTimes(crlfToLf(readFile(temp_.path() + "\\Tidewell.log"))); }

    static constexpr const char* kRegistration = "SOFTWARE\\Clients\\Mail\\Outlook Express";
    static constexpr const char* kMailto = "mailto\\shell\\open\\command";
    static constexpr const char* kAccounts = "Software\\Microsoft\\Internet Account Manager\\Accounts";
    static constexpr const char* kAppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msimn.exe";

    platform::testing::TempFolder temp_;
    // Declared before the child so it has ended before the values go back.
    SavedValue appData_{Hive::CurrentUser, "Volatile Environment", "APPDATA"};
    SavedValue registration_{Hive::LocalMachine, kRegistration, ""};
    SavedValue mailto_{Hive::ClassesRoot, kMailto, ""};
    SavedValue accountManager_{Hive::CurrentUser, "Software\\Microsoft\\Internet Account Manager", ""};
    SavedValue appPaths_{Hive::LocalMachine, kAppPaths, ""};
    std::string client_;
    ui::ChildProcess tidewell_;
};

TEST_F(TidewellProgramTest, ConfiguresOutlookExpressAndStartsItOnClose) {
    DialogWindow dialog = startDialog();
    ASSERT_TRUE(dialog) << "no dialog window";
    EXPECT_TRUE(dialog.itemChecked(IDC_OUTLOOK_EXPRESS)) << "the default client is preselected";
    EXPECT_FALSE(dialog.itemEnabled(IDC_THUNDERBIRD));
    ui::typeText(dialog, IDC_DISPLAY_NAME, "Ann Example");
    ui::typeText(dialog, IDC_ADDRESS, "ann@example.com");
    ASSERT_TRUE(dialog.itemEnabled(IDC_CONFIGURE));

    ui::click(dialog, IDC_CONFIGURE);

    EXPECT_EQ(dialog.itemText(IDC_INTRO),
              "Congratulations! Microsoft Outlook Express has been successfully configured for your mail settings.");
    EXPECT_TRUE(dialog.itemVisible(IDC_LAUNCH));
    EXPECT_TRUE(dialog.itemChecked(IDC_LAUNCH));
    EXPECT_EQ(dialog.itemText(kClose), "Close");

    ui::click(dialog, kClose);

    ASSERT_TRUE(tidewell_.waitForExit(10000));
    EXPECT_EQ(tidewell_.exitCode(), 0u);
    EXPECT_EQ(ui::launchRecorderRuns(client_, 10000), client_ + "\r\n");
    const std::string log = logText();
    for (const char* part : {"Tidewell - Quillmark Log\n-------------------------------------------\n\n"
                             "* Beginning Configuration at <time> *\n\n",
                             "Searching for Microsoft Outlook Express ... found.\n",
                             "Detecting default email client ... found. (Microsoft Outlook Express)\n\n"
                             "User Entered Email Address: ann@example.com\n"
                             "User Entered Display Name: Ann Example\n"
                             "Make Account Default: No\n"
                             "Overwrite Existing Account: Yes\n"
                             "Client Selected to Configure: Microsoft Outlook Express\n\n",
                             "SMTP Server: "}) {
        EXPECT_NE(log.find(part), std::string::npos) << part << "\n---\n" << log;
    }
    const std::string end = "Email Client Configuration Successful!\n\n"
                            "* Configuration Complete at <time> *\n\n"
                            "Email client path to start is : " +
                            client_ + "\n\n";
    EXPECT_EQ(log.substr(log.size() - std::min(log.size(), end.size())), end) << log;
    EXPECT_EQ(describeValue(Hive::CurrentUser, std::string(kAccounts) + "\\ann@example.com", "SMTP Server"),
              "sz:" + std::string(SecureHost) + "\\0");
    platform::testing::deleteKeyTree(Hive::CurrentUser, std::string(kAccounts) + "\\ann@example.com");
}

// The one way to ask for an account without SSL: Use SSL cleared in the dialog.
TEST_F(TidewellProgramTest, UseSslClearedWritesThePlainHostsAndPorts) {
    DialogWindow dialog = startDialog();
    ASSERT_TRUE(dialog) << "no dialog window";
    ui::typeText(dialog, IDC_DISPLAY_NAME, "Ann Plain");
    ui::typeText(dialog, IDC_ADDRESS, "plain@example.com");
    ASSERT_TRUE(dialog.itemChecked(IDC_USE_SSL)) << "SSL is on until cleared";
    ui::click(dialog, IDC_USE_SSL);
    ASSERT_FALSE(dialog.itemChecked(IDC_USE_SSL));

    ui::click(dialog, IDC_CONFIGURE);
    ui::click(dialog, kClose);
    ASSERT_TRUE(tidewell_.waitForExit(10000));
    EXPECT_EQ(tidewell_.exitCode(), 0u);

    const std::string key = std::string(kAccounts) + "\\plain@example.com";
    const std::pair<const char*, std::string> values[] = {
        {"IMAP Server", "sz:" + std::string(ImapHost) + "\\0"},
        {"IMAP Port", "dword:143"},
        {"IMAP Secure Connection", "dword:0"},
        {"SMTP Server", "sz:" + std::string(SmtpHost) + "\\0"},
        {"SMTP Port", "dword:587"},
        {"SMTP Secure Connection", "dword:0"},
        {"SMTP User Name", "sz:plain@example.com\\0"},
    };
    for (const auto& [name, expected] : values) EXPECT_EQ(describeValue(Hive::CurrentUser, key, name), expected) << name;
    EXPECT_NE(logText().find("IMAP Port: 143\nIMAP Prompt for Password: 1\nIMAP Server: " + std::string(ImapHost) + "\n"),
              std::string::npos)
        << logText();
    EXPECT_NE(logText().find("SMTP Port: 587\nSMTP Prompt for Password: 1\nSMTP Secure Connection: 0\nSMTP Server: " +
                             std::string(SmtpHost) + "\n"),
              std::string::npos);
    platform::testing::deleteKeyTree(Hive::CurrentUser, key);
}

TEST_F(TidewellProgramTest, AboutOpensModallyWritesNothingAndEscapeThenEndsTheRun) {
    DialogWindow dialog = startDialog();
    ASSERT_TRUE(dialog) << "no dialog window";
    const std::string opened = logText();

    ui::postClick(dialog, IDC_ABOUT);
    DialogWindow about = ui::findWindow("About Tidewell", kWindowWaitMs);
    ASSERT_TRUE(about) << "no About box";
    EXPECT_EQ(about.itemText(IDC_ABOUT_IMAP_PORT), "IMAP Port: 110");
    EXPECT_EQ(about.itemText(IDC_ABOUT_SMTP_SERVER), SmtpHost);
    ui::pressKey(about, ui::kKeyEscape);
    ASSERT_TRUE(waitUntilGone("About Tidewell", 10000));
    EXPECT_EQ(logText(), opened);
    EXPECT_FALSE(tidewell_.waitForExit(0));
    // The About box is hidden before it is destroyed and the focus goes back to
    // the About button that opened it: a key sent meanwhile would be lost.
    ASSERT_TRUE(waitFor([&] { return about.title().empty() && ui::focusedItem(dialog) == IDC_ABOUT; }, 10000))
        << "the focus is on " << ui::focusedItem(dialog) << ", not back on the About button";

    ui::pressKey(dialog, ui::kKeyEscape);

    ASSERT_TRUE(tidewell_.waitForExit(10000));
    EXPECT_EQ(tidewell_.exitCode(), 0u);
    EXPECT_EQ(logText(), opened + "* Configuration Incomplete. Terminated by user at <time> *\n\n");
    EXPECT_EQ(ui::launchRecorderRuns(client_, 0), "");
}

}  // namespace
}  // namespace tw::test
