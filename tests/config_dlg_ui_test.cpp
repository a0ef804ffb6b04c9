// The real main dialog and About box under Wine: created from their templates
// in this process, driven with window messages, read back through the controls
// and the session log.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/provider.h"
#include "platform/dialog.h"
#include "platform/files.h"
#include "platform/testing.h"
#include "tests/support/address_cases.h"
#include "tests/support/outlook_fixture.h"
#include "tests/support/test_env.h"
#include "ui/about_dlg.h"
#include "ui/config_dlg.h"
#include "ui/resource.h"

namespace tw::test {
namespace {

using platform::DialogWindow;
using platform::Hive;
namespace ui = platform::testing;

constexpr int kClose = platform::kIdCancel;
constexpr std::array<int, 5> kClientButtons = {IDC_OUTLOOK_EXPRESS, IDC_OUTLOOK, IDC_WINDOWS_MAIL, IDC_EUDORA,
                                               IDC_THUNDERBIRD};
// Every control of the main dialog that has an id of its own, in template order.
constexpr std::array<int, 19> kAllControls = {
    IDC_INTRO,        IDC_SELECT_ONE, IDC_OUTLOOK_EXPRESS, IDC_OUTLOOK,      IDC_WINDOWS_MAIL,
    IDC_EUDORA,       IDC_THUNDERBIRD, IDC_ADDRESS_LABEL,  IDC_MAKE_DEFAULT, IDC_OVERWRITE,
    IDC_CONFIGURE,    kClose,         IDC_NAME_LABEL,      IDC_DISPLAY_NAME, IDC_ADDRESS,
    IDC_DETAILS_LABEL, IDC_ABOUT,     IDC_LAUNCH,          IDC_USE_SSL};

constexpr const char* kRegistration[] = {"Outlook Express", "Microsoft Outlook", "Windows Mail", "Eudora",
                                         "Mozilla Thunderbird"};
constexpr const char* kAccountsKey = "Software\\Microsoft\\Internet Account Manager\\Accounts";
constexpr const char* kOutlookExpressAppPaths =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msimn.exe";
constexpr const char* kIntroText =
    "This utility will automatically configure your email client for your email account. ";
constexpr const char* kOutlookExpressSuccess =
    "Congratulations! Microsoft Outlook Express has been successfully configured for your mail settings.";

void setMailtoCommand(const std::string& command) {
    seedText(Hive::ClassesRoot, "mailto\\shell\\open\\command", "", command);
}

// The ids of the controls that are shown.
std::vector<int> visibleControls(DialogWindow dialog) {
    std::vector<int> shown;
    for (int id : kAllControls) {
        if (dialog.itemVisible(id)) shown.push_back(id);
    }
    return shown;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class ConfigDlgUiTest : public TidewellTest {
protected:
    // Opens the dialog, which runs its initialisation against the seeded registry.
    DialogWindow open() {
        EXPECT_EQ(dialog_.createModeless(), platform::kSuccess);
        ui::pumpMessages();
        return dialog_.window();
    }

    void installClients(const std::vector<ClientKind>& kinds) {
        for (ClientKind kind : kinds) registerClient(kRegistration[kind]);
    }

    void clearEdit(DialogWindow dialog, int id) {
        for (std::size_t n = dialog.itemText(id).size(); n > 0; --n) ui::pressBackspace(dialog, id);
    }

    // Outlook Express installed and default, its account store present, its App
    // Paths entry on a program that notes its start (named unlike any client, so
    // it is never taken for a running one while it ends).
    std::string prepareOutlookExpress() {
        installClients({OutlookExpress});
        setMailtoCommand("\"C:\\Program Files\\Outlook Express\\msimn.exe\" /mailurl:%1");
        seedKey(Hive::CurrentUser, kAccountsKey);
        const std::string clientFolder = folder() + "\\Mail Client";
        platform::createFolder(clientFolder);
        const std::string client = clientFolder + "\\mailer.exe";
        ui::installLaunchRecorder(client);
        seedText(Hive::LocalMachine, kOutlookExpressAppPaths, "", client);
        return client;
    }

    void fillIn(DialogWindow dialog, std::string_view name, std::string_view address) {
        ui::typeText(dialog, IDC_DISPLAY_NAME, name);
        ui::typeText(dialog, IDC_ADDRESS, address);
    }

    ConfigDlg dialog_;
};

TEST_F(ConfigDlgUiTest, OpensInItsInputState) {
    installClients({OutlookExpress, Outlook, WindowsMail, Eudora, Thunderbird});
    DialogWindow dialog = open();
    ASSERT_TRUE(dialog);

    EXPECT_EQ(dialog.title(), "Quillmark");
    const std::pair<int, const char*> captions[] = {
        {IDC_INTRO, kIntroText},
        {IDC_SELECT_ONE, "Select one:"},
        {IDC_OUTLOOK_EXPRESS, "Microsoft Outlook Express"},
        {IDC_OUTLOOK, "Microsoft Outlook"},
        {IDC_WINDOWS_MAIL, "Microsoft Windows Mail"},
        {IDC_EUDORA, "Qualcomm Eudora 5 and up"},
        {IDC_THUNDERBIRD, "Mozilla Thunderbird"},
        {IDC_ADDRESS_LABEL, "Email Address:"},
        {IDC_MAKE_DEFAULT, "Make this my default account"},
        {IDC_OVERWRITE, "Overwrite existing account"},
        {IDC_CONFIGURE, "Configure"},
        {kClose, "Cancel"},
        {IDC_NAME_LABEL, "Your Name:"},
        {IDC_DISPLAY_NAME, ""},
        {IDC_ADDRESS, ""},
        {IDC_DETAILS_LABEL, "Provide the following details for the account you wish to set up:"},
        {IDC_ABOUT, "About"},
        {IDC_LAUNCH, "Launch my email client immediately"},
        {IDC_USE_SSL, "Use SSL"},
    };
    for (const auto& [id, caption] : captions) EXPECT_EQ(dialog.itemText(id), caption) << id;
    EXPECT_EQ(dialog.defaultButton(), IDC_CONFIGURE);
    EXPECT_FALSE(dialog.itemEnabled(IDC_CONFIGURE));
    EXPECT_TRUE(dialog.itemChecked(IDC_OVERWRITE));
    EXPECT_TRUE(dialog.itemChecked(IDC_USE_SSL));
    EXPECT_FALSE(dialog.itemChecked(IDC_MAKE_DEFAULT));
    EXPECT_FALSE(dialog.itemVisible(IDC_LAUNCH));
    EXPECT_FALSE(dialog.itemEnabled(IDC_LAUNCH));
    for (int id : kClientButtons) {
        EXPECT_TRUE(dialog.itemEnabled(id)) << id;
        EXPECT_FALSE(dialog.itemChecked(id)) << id;
    }
    // The check boxes were read into the request as the dialog opened.
    EXPECT_TRUE(dialog_.request().overwriteExisting);
    EXPECT_TRUE(dialog_.request().useSsl);
    EXPECT_EQ(dialog_.request().defaultClientCode, 0);

    EXPECT_EQ(logText(),
              "Tidewell - Quillmark Log\n"
              "-------------------------------------------\n\n"
              "* Beginning Configuration at <time> *\n\n"
              "Searching for Mozilla Thunderbird ... found.\n"
              "Searching for Qualcomm Eudora ... found.\n"
              "Searching for Microsoft Outlook Express ... found.\n"
              "Searching for Microsoft Windows Mail ... found.\n"
              "Searching for Microsoft Outlook ... found. (Version 0)\n\n"
              "Detecting default email client ... unrecognized.\n\n");
}

TEST_F(ConfigDlgUiTest, OnlyInstalledClientsCanBeChosenAndTheDefaultIsPreselected) {
    struct Case {
        const char* what;
        std::vector<ClientKind> installed;
        std::optional<std::string> mailto;
        ClientKind preselected;
        const char* logged;
    };
    const Case cases[] = {
        {"installed default", {OutlookExpress, Thunderbird}, "C:\\Mozilla Thunderbird\\thunderbird.exe -compose %1",
         Thunderbird, "found. (Mozilla Thunderbird)"},
        {"default not installed", {OutlookExpress, Eudora}, "C:\\Mozilla Thunderbird\\thunderbird.exe -compose %1",
         kNoClient, "unrecognized."},
        {"no mailto command", {WindowsMail}, std::nullopt, kNoClient, "unrecognized."},
        {"unknown default", {Outlook}, "C:\\Other\\mailer.exe %1", kNoClient, "unrecognized."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::testing::deleteKeyTree(Hive::LocalMachine, "SOFTWARE\\Clients");
        platform::testing::deleteKeyTree(Hive::ClassesRoot, "mailto");
        installClients(c.installed);
        if (c.mailto) setMailtoCommand(*c.mailto);
        platform::deleteFile(logFile());

        ConfigDlg dialog;
        ASSERT_EQ(dialog.createModeless(), platform::kSuccess);
        DialogWindow window = dialog.window();
        for (ClientKind kind = 0; kind < kClientCount; ++kind) {
            bool installed = false;
            for (ClientKind k : c.installed) installed = installed || k == kind;
            EXPECT_EQ(window.itemEnabled(kClientButtons[kind]), installed) << kind;
            EXPECT_EQ(window.itemChecked(kClientButtons[kind]), kind == c.preselected) << kind;
        }
        EXPECT_NE(logText().find(std::string("Detecting default email client ... ") + c.logged + "\n\n"),
                  std::string::npos)
            << logText();
    }
}

TEST_F(ConfigDlgUiTest, ConfigureIsEnabledForANameAWellFormedAddressAndAClient) {
    installClients({OutlookExpress, Thunderbird});
    DialogWindow dialog = open();

    ui::typeText(dialog, IDC_ADDRESS, "ann@example.com");
    ui::click(dialog, IDC_THUNDERBIRD);
    EXPECT_FALSE(dialog.itemEnabled(IDC_CONFIGURE)) << "no name yet";
    ui::typeText(dialog, IDC_DISPLAY_NAME, "A");
    EXPECT_TRUE(dialog.itemEnabled(IDC_CONFIGURE));
    ui::pressBackspace(dialog, IDC_DISPLAY_NAME);
    EXPECT_FALSE(dialog.itemEnabled(IDC_CONFIGURE)) << "name deleted again";
    ui::typeText(dialog, IDC_DISPLAY_NAME, "Ann Example");

    for (const AddressCase& c : kAddressCases) {
        clearEdit(dialog, IDC_ADDRESS);
        ui::typeText(dialog, IDC_ADDRESS, c.address);
        ASSERT_EQ(dialog.itemText(IDC_ADDRESS), c.address);
        EXPECT_EQ(dialog.itemEnabled(IDC_CONFIGURE), c.wellFormed) << '"' << c.address << "\": " << c.why;
    }

    // Typed one character at a time, the shortest address enables Configure
    // with its last letter, and deleting that letter disables it again.
    clearEdit(dialog, IDC_ADDRESS);
    ui::typeText(dialog, IDC_ADDRESS, "a@b.");
    EXPECT_FALSE(dialog.itemEnabled(IDC_CONFIGURE));
    ui::typeText(dialog, IDC_ADDRESS, "c");
    EXPECT_TRUE(dialog.itemEnabled(IDC_CONFIGURE));
    ui::pressBackspace(dialog, IDC_ADDRESS);
    EXPECT_FALSE(dialog.itemEnabled(IDC_CONFIGURE));
    EXPECT_EQ(logText().find("User Entered"), std::string::npos) << "typing runs nothing";
}

TEST_F(ConfigDlgUiTest, WithoutAClientConfigureStaysDisabled) {
    installClients({OutlookExpress});
    DialogWindow dialog = open();
    fillIn(dialog, "Ann Example", "ann@example.com");
    EXPECT_FALSE(dialog.itemEnabled(IDC_CONFIGURE));
    ui::click(dialog, IDC_OUTLOOK_EXPRESS);
    EXPECT_TRUE(dialog.itemEnabled(IDC_CONFIGURE));
}

TEST_F(ConfigDlgUiTest, AClientThatIsNotInstalledCannotBeChosenEvenByAMessage) {
    installClients({OutlookExpress});
    DialogWindow dialog = open();
    fillIn(dialog, "Ann Example", "ann@example.com");
    ASSERT_FALSE(dialog.itemEnabled(IDC_THUNDERBIRD));

    // Wine checks a disabled radio button on BM_CLICK and reports the click.
    ui::click(dialog, IDC_THUNDERBIRD);
    EXPECT_FALSE(dialog.itemEnabled(IDC_CONFIGURE));
    ui::click(dialog, IDC_OUTLOOK_EXPRESS);
    EXPECT_TRUE(dialog.itemEnabled(IDC_CONFIGURE));
    ui::click(dialog, IDC_THUNDERBIRD);
    EXPECT_FALSE(dialog.itemEnabled(IDC_CONFIGURE));
}

TEST_F(ConfigDlgUiTest, APreselectedDefaultCountsOnceANameAndAddressAreTyped) {
    installClients({OutlookExpress});
    setMailtoCommand("msimn.exe /mailurl:%1");
    DialogWindow dialog = open();
    ASSERT_TRUE(dialog.itemChecked(IDC_OUTLOOK_EXPRESS));
    fillIn(dialog, "Ann Example", "ann@example.com");
    EXPECT_TRUE(dialog.itemEnabled(IDC_CONFIGURE));
}

TEST_F(ConfigDlgUiTest, EudoraDisablesMakeThisMyDefaultAccountAndKeepsItsCheck) {
    installClients({OutlookExpress, Eudora, Thunderbird});
    DialogWindow dialog = open();
    ui::click(dialog, IDC_MAKE_DEFAULT);
    ASSERT_TRUE(dialog.itemChecked(IDC_MAKE_DEFAULT));

    ui::click(dialog, IDC_EUDORA);
    EXPECT_FALSE(dialog.itemEnabled(IDC_MAKE_DEFAULT));
    EXPECT_TRUE(dialog.itemChecked(IDC_MAKE_DEFAULT));

    ui::click(dialog, IDC_THUNDERBIRD);
    EXPECT_TRUE(dialog.itemEnabled(IDC_MAKE_DEFAULT));
    EXPECT_TRUE(dialog.itemChecked(IDC_MAKE_DEFAULT));
    EXPECT_FALSE(dialog.itemChecked(IDC_EUDORA)) << "one radio group";
}

TEST_F(ConfigDlgUiTest, EudoraIsConfiguredFromTheDialogOrSaysItHasNoSettingsFile) {
    struct Case {
        const char* what;
        bool settingsFile;
        std::string intro;
    };
    const Case cases[] = {
        {"Eudora.ini after Eudora's first start", true,
         "Congratulations! Qualcomm Eudora has been successfully configured for your mail settings."},
        {"no Eudora.ini", false,
         "ERROR: Eudora has not been run for the first time or Eudora is not set to store data in the default "
         "location."},
    };
    installClients({Eudora});
    const std::string settings = folder() + "\\Qualcomm\\Eudora\\Eudora.ini";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::deleteFile(logFile());
        ConfigDlg dialogObject;
        if (c.settingsFile) {
            platform::createFolder(folder() + "\\Qualcomm");
            platform::createFolder(folder() + "\\Qualcomm\\Eudora");
            ASSERT_EQ(platform::writeNewFile(settings, "[Settings]\r\nRealName=\r\nReturnAddress=\r\n"),
                      platform::kSuccess);
        }
        ASSERT_EQ(dialogObject.createModeless(), platform::kSuccess);
        ui::pumpMessages();
        DialogWindow dialog = dialogObject.window();
        ui::click(dialog, IDC_EUDORA);
        EXPECT_FALSE(dialog.itemEnabled(IDC_MAKE_DEFAULT));
        fillIn(dialog, "Ann Example", "ann@example.com");
        ASSERT_TRUE(dialog.itemEnabled(IDC_CONFIGURE));

        ui::click(dialog, IDC_CONFIGURE);

        EXPECT_EQ(dialog.itemText(IDC_INTRO), c.intro);
        EXPECT_EQ(dialog.itemVisible(IDC_LAUNCH), c.settingsFile);
        if (c.settingsFile) {
            EXPECT_NE(readFile(settings).find("RealName=Ann Example\r\nReturnAddress=ann@example.com\r\n"),
                      std::string::npos);
        }
        EXPECT_NE(logText().find("Client Selected to Configure: Qualcomm Eudora\n\nStarting Eudora configuration"),
                  std::string::npos);
        ui::click(dialog, kClose);
        EXPECT_TRUE(dialogObject.ended());
        platform::deleteFile(settings);
    }
}

TEST_F(ConfigDlgUiTest, OutlookIsConfiguredFromTheDialogOrSaysWhatIsMissing) {
    struct Case {
        const char* what;
        void (*seed)();
        std::string intro;
    };
    const Case cases[] = {
        {"a profile store", [] { seedProfileStore("Home", 1, {}); },
         "Congratulations! Microsoft Outlook has been successfully configured for your mail settings."},
        {"Outlook never run", [] { seedKey(Hive::CurrentUser, kProfiles); },
         "ERROR: Outlook has not been run for the first time. Please run and close Outlook and try again."},
        {"a profile prompt",
         [] {
             seedProfileStore("Home", 1, {});
             seedText(Hive::CurrentUser, kExchangeOptions, "PickLogonProfile", "1");
         },
         "ERROR: No default email profile found. Please run Outlook and select a Default Profile when prompted "
         "during startup."},
    };
    installClients({Outlook});
    seedText(Hive::LocalMachine, "SOFTWARE\\Clients\\Mail\\Microsoft Outlook", "MSIApplicationLCID",
             "Software\\Microsoft\\Office\\11.0\\Outlook");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::testing::deleteKeyTree(Hive::CurrentUser, "Software\\Microsoft");
        seedText(Hive::CurrentUser, "Volatile Environment", "APPDATA", folder());
        platform::deleteFile(logFile());
        c.seed();
        ConfigDlg dialogObject;
        ASSERT_EQ(dialogObject.createModeless(), platform::kSuccess);
        ui::pumpMessages();
        DialogWindow dialog = dialogObject.window();
        ASSERT_TRUE(dialog.itemEnabled(IDC_OUTLOOK));
        ui::click(dialog, IDC_OUTLOOK);
        fillIn(dialog, "Ann Example", "ann@example.com");
        ASSERT_TRUE(dialog.itemEnabled(IDC_CONFIGURE));

        ui::click(dialog, IDC_CONFIGURE);

        EXPECT_EQ(dialog.itemText(IDC_INTRO), c.intro);
        const bool configured = c.intro.rfind("Congratulations", 0) == 0;
        EXPECT_EQ(dialog.itemVisible(IDC_LAUNCH), configured);
        EXPECT_EQ(binaryHex(profileAccount("Home", "00000001"), "Email") == hexBytes(utf16z("ann@example.com")),
                  configured);
        EXPECT_NE(logText().find("Searching for Microsoft Outlook ... found. (Version 11)\n\n"), std::string::npos);
        EXPECT_NE(logText().find("Client Selected to Configure: Microsoft Outlook\n\n"), std::string::npos);
        ui::click(dialog, kClose);
        EXPECT_TRUE(dialogObject.ended());
    }
}

TEST_F(ConfigDlgUiTest, ClosingWithoutConfiguringLogsTerminatedByUser) {
    struct Case {
        const char* what;
        void (*close)(DialogWindow);
    };
    const Case cases[] = {
        {"Cancel button", [](DialogWindow d) { ui::click(d, kClose); }},
        {"Esc", [](DialogWindow d) { ui::pressKey(d, ui::kKeyEscape); }},
        {"close box", [](DialogWindow d) { ui::closeWindow(d); }},
    };
    installClients({OutlookExpress});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::deleteFile(logFile());
        ConfigDlg dialog;
        ASSERT_EQ(dialog.createModeless(), platform::kSuccess);
        ui::pumpMessages();
        ui::typeText(dialog.window(), IDC_DISPLAY_NAME, "Ann Example");
        const std::string opened = logText();

        c.close(dialog.window());

        EXPECT_TRUE(dialog.ended());
        EXPECT_EQ(dialog.result(), platform::kIdCancel);
        EXPECT_EQ(logText(), opened + "* Configuration Incomplete. Terminated by user at <time> *\n\n");
        // A second close (a message still on its way) adds nothing.
        ui::sendCommand(dialog.window(), kClose, platform::kButtonClicked);
        EXPECT_EQ(logText(), opened + "* Configuration Incomplete. Terminated by user at <time> *\n\n");
    }
}

TEST_F(ConfigDlgUiTest, ARunningClientLeavesOnlyTheMessageAndClose) {
    installClients({OutlookExpress, Outlook});
    setMailtoCommand("OUTLOOK.EXE -c IPM.Note /m %1");
    const auto outlook = platform::testing::startStandInProcess("OUTLOOK.EXE", folder());
    ASSERT_NE(outlook, 0u);
    DialogWindow dialog = open();
    platform::testing::stopProcess(outlook);

    EXPECT_EQ(dialog.itemText(IDC_INTRO), "Please exit all running email clients, and then restart Tidewell.");
    EXPECT_EQ(visibleControls(dialog), (std::vector<int>{IDC_INTRO, kClose}));
    EXPECT_EQ(dialog.itemText(kClose), "Close");
    EXPECT_EQ(dialog.defaultButton(), kClose);
    EXPECT_EQ(ui::focusedItem(dialog), kClose);
    const std::string expected =
        "Searching for Microsoft Outlook ... found. (Version 0)\n\n"
        "Running Email Client Detected. Closing.\n\n"
        "* Configuration Incomplete. Terminated automatically at <time> *\n\n";
    EXPECT_TRUE(endsWith(logText(), expected)) << logText();

    // Nothing can start a run now, and closing writes nothing more.
    ui::sendCommand(dialog, IDC_CONFIGURE, platform::kButtonClicked);
    ui::pressKey(dialog, ui::kKeyEnter);
    EXPECT_TRUE(dialog_.ended()) << "Enter pressed Close, the default button";
    EXPECT_TRUE(endsWith(logText(), expected)) << logText();
}

TEST_F(ConfigDlgUiTest, ASuccessfulRunOffersTheLaunchAndClosingStartsTheClient) {
    const std::string client = prepareOutlookExpress();
    // Started as a bare command line, the path would run this program instead.
    const std::string decoy = folder() + "\\Mail.exe";
    ui::installLaunchRecorder(decoy);
    DialogWindow dialog = open();
    fillIn(dialog, "Ann Example", "ann@example.com");
    ASSERT_TRUE(dialog.itemEnabled(IDC_CONFIGURE));

    ui::click(dialog, IDC_CONFIGURE);

    EXPECT_EQ(dialog.itemText(IDC_INTRO), kOutlookExpressSuccess);
    EXPECT_EQ(visibleControls(dialog), (std::vector<int>{IDC_INTRO, kClose, IDC_LAUNCH}));
    EXPECT_TRUE(dialog.itemEnabled(IDC_LAUNCH));
    EXPECT_TRUE(dialog.itemChecked(IDC_LAUNCH));
    EXPECT_FALSE(dialog.itemEnabled(IDC_CONFIGURE));
    EXPECT_EQ(dialog.itemText(kClose), "Close");
    EXPECT_EQ(dialog.defaultButton(), kClose);
    EXPECT_EQ(describeValue(Hive::CurrentUser, std::string(kAccountsKey) + "\\ann@example.com", "SMTP Email Address"),
              "sz:ann@example.com\\0");
    const std::string configured = logText();
    EXPECT_NE(configured.find("User Entered Email Address: ann@example.com\n"
                              "User Entered Display Name: Ann Example\n"
                              "Make Account Default: No\n"
                              "Overwrite Existing Account: Yes\n"
                              "Client Selected to Configure: Microsoft Outlook Express\n\n"),
              std::string::npos)
        << configured;
    EXPECT_TRUE(endsWith(configured, "Email Client Configuration Successful!\n\n"
                                     "* Configuration Complete at <time> *\n\n"))
        << configured;

    ui::click(dialog, kClose);

    EXPECT_TRUE(dialog_.ended());
    EXPECT_EQ(ui::launchRecorderRuns(client, 10000), client + "\r\n");
    EXPECT_EQ(ui::launchRecorderRuns(decoy, 0), "");
    EXPECT_EQ(logText(), configured + "Email client path to start is : " + client + "\n\n");
}

TEST_F(ConfigDlgUiTest, ClearingTheLaunchBoxStartsNothing) {
    const std::string client = prepareOutlookExpress();
    DialogWindow dialog = open();
    fillIn(dialog, "Ann Example", "ann@example.com");
    ui::click(dialog, IDC_CONFIGURE);
    ASSERT_TRUE(dialog.itemChecked(IDC_LAUNCH));
    const std::string configured = logText();

    ui::click(dialog, IDC_LAUNCH);
    EXPECT_FALSE(dialog.itemChecked(IDC_LAUNCH));
    ui::pressKey(dialog, ui::kKeyEscape);

    EXPECT_TRUE(dialog_.ended());
    EXPECT_EQ(ui::launchRecorderRuns(client, 1500), "");
    EXPECT_EQ(logText(), configured);
}

TEST_F(ConfigDlgUiTest, AFailedRunShowsTheErrorWithoutTheLaunchBox) {
    // Outlook Express has never run: its account store is missing.
    installClients({OutlookExpress});
    const std::string client = folder() + "\\mailer.exe";
    ui::installLaunchRecorder(client);
    seedText(Hive::LocalMachine, kOutlookExpressAppPaths, "", client);
    DialogWindow dialog = open();
    fillIn(dialog, "Ann Example", "ann@example.com");
    ui::click(dialog, IDC_OUTLOOK_EXPRESS);

    ui::click(dialog, IDC_CONFIGURE);

    EXPECT_EQ(dialog.itemText(IDC_INTRO), "ERROR: Unable to automatically configure");
    EXPECT_EQ(visibleControls(dialog), (std::vector<int>{IDC_INTRO, kClose}));
    const std::string failed = logText();
    EXPECT_TRUE(endsWith(failed, "Email Client Configuration failed with error code: 1\n"
                                 "Description: ERROR: Unable to automatically configure\n"
                                 "* Configuration Failed at <time> *\n\n"))
        << failed;

    ui::click(dialog, kClose);
    EXPECT_TRUE(dialog_.ended());
    EXPECT_EQ(logText(), failed);
    EXPECT_EQ(ui::launchRecorderRuns(client, 1500), "");
}

TEST_F(ConfigDlgUiTest, ADisabledConfigureNeverRunsTheDriver) {
    prepareOutlookExpress();
    DialogWindow dialog = open();
    fillIn(dialog, "Ann Example", "ann@example");
    ASSERT_FALSE(dialog.itemEnabled(IDC_CONFIGURE));
    const std::string opened = logText();

    ui::click(dialog, IDC_CONFIGURE);
    ui::sendCommand(dialog, IDC_CONFIGURE, platform::kButtonClicked);
    dialog.focusItem(IDC_ADDRESS);
    ui::pressKey(dialog, ui::kKeyEnter);

    EXPECT_EQ(logText(), opened);
    EXPECT_FALSE(dialog_.ended());
    EXPECT_TRUE(dialog.itemVisible(IDC_CONFIGURE));
    EXPECT_EQ(dialog.itemText(kClose), "Cancel");
    EXPECT_EQ(dialog.itemText(IDC_INTRO), kIntroText);
}

TEST_F(ConfigDlgUiTest, ThereIsOneRunOnly) {
    prepareOutlookExpress();
    DialogWindow dialog = open();
    fillIn(dialog, "Ann Example", "ann@example.com");
    ui::click(dialog, IDC_CONFIGURE);
    const std::string configured = logText();
    ASSERT_EQ(occurrences(configured, "User Entered Email Address"), 1u);

    // Messages that would wake Configure in the input state do nothing now.
    ui::sendCommand(dialog, IDC_ADDRESS, platform::kEditChanged);
    ui::sendCommand(dialog, IDC_OUTLOOK_EXPRESS, platform::kButtonClicked);
    EXPECT_FALSE(dialog.itemEnabled(IDC_CONFIGURE));
    ui::sendCommand(dialog, IDC_CONFIGURE, platform::kButtonClicked);
    EXPECT_EQ(logText(), configured);
}

TEST_F(ConfigDlgUiTest, KeyboardTabMovesOnAndEnterPressesConfigure) {
    prepareOutlookExpress();
    DialogWindow dialog = open();
    fillIn(dialog, "Ann Example", "ann@example.com");
    dialog.focusItem(IDC_DISPLAY_NAME);
    ui::pressKey(dialog, ui::kKeyTab);
    EXPECT_EQ(ui::focusedItem(dialog), IDC_ADDRESS);

    ui::pressKey(dialog, ui::kKeyEnter);

    EXPECT_EQ(dialog.itemText(IDC_INTRO), kOutlookExpressSuccess);
    EXPECT_EQ(ui::focusedItem(dialog), kClose);
    EXPECT_FALSE(dialog_.ended());
}

TEST_F(ConfigDlgUiTest, TheAboutBoxShowsTheServerSummaryAndWritesNothing) {
    installClients({OutlookExpress});
    DialogWindow dialog = open();
    fillIn(dialog, "Ann Example", "ann@example.com");
    ui::click(dialog, IDC_OUTLOOK_EXPRESS);
    const std::string opened = logText();

    AboutDlg about;
    ASSERT_EQ(about.createModeless(dialog), platform::kSuccess);
    DialogWindow box = about.window();
    EXPECT_EQ(box.title(), "About Tidewell");
    EXPECT_EQ(box.itemText(IDC_ABOUT_IMAP_PORT), "IMAP Port: 110");
    EXPECT_EQ(box.itemText(IDC_ABOUT_SMTP_PORT), "SMTP Port: 587");
    EXPECT_EQ(box.itemText(IDC_ABOUT_IMAP_SERVER), std::string(PopHost));
    EXPECT_EQ(box.itemText(IDC_ABOUT_SMTP_SERVER), std::string(SmtpHost));
    EXPECT_EQ(box.itemText(IDC_ABOUT_IMAP_USERNAME), "IMAP Username:");
    EXPECT_EQ(box.itemText(kClose), "Close");
    ui::pressKey(box, ui::kKeyEscape);
    EXPECT_TRUE(about.ended());

    EXPECT_EQ(logText(), opened);
    EXPECT_EQ(dialog.itemText(IDC_DISPLAY_NAME), "Ann Example");
    EXPECT_EQ(dialog.itemText(IDC_ADDRESS), "ann@example.com");
    EXPECT_TRUE(dialog.itemChecked(IDC_OUTLOOK_EXPRESS));
    EXPECT_TRUE(dialog.itemEnabled(IDC_CONFIGURE));
    EXPECT_FALSE(dialog_.ended());
}

}  // namespace
}  // namespace tw::test
