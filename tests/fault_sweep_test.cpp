// Every store operation failing in turn. Each case is a whole windowless run
// (tidewell.exe's own start-up, detection included) on a seeded store. It
// runs once to count its platform calls, then once more for each call with
// that call failing as Windows fails it most often. After every run:
// - a run that reports success (0) left the store exactly as the run without
//   failures did, and no call that changes the store was among the failed;
// - any other status left the store exactly as it was before, no temporary
//   file included;
// - a status the run without failures did not give comes with a log line that
//   names the failed call's file or key and its Windows error.
// Only the fake backend can fail its calls on demand: the sweep skips elsewhere.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "app/config_app.h"
#include "platform/files.h"
#include "platform/testing.h"
#include "tests/support/outlook_fixture.h"
#include "tests/support/test_env.h"
#include "tests/support/thunderbird_fixture.h"
#include "tests/support/windows_mail_fixture.h"

namespace tw::test {
namespace {

using platform::Hive;
using platform::testing::CallFaults;
using platform::testing::PlatformCall;

constexpr const char* kOeAccounts = "Software\\Microsoft\\Internet Account Manager\\Accounts";
constexpr const char* kOeManager = "Software\\Microsoft\\Internet Account Manager";

// One attempt's world: a fresh registry and a fresh folder that is also the
// application-data folder.
struct World {
    World() = default;
    World(const World&) = delete;
    World& operator=(const World&) = delete;
    ~World() {
        for (auto id : clients) platform::testing::stopProcess(id);
    }
    std::string folder() const { return temp.path(); }
    void startClient(const std::string& image) {
        clients.push_back(platform::testing::startStandInProcess(image, folder()));
    }

    platform::testing::IsolatedRegistry registry;
    platform::testing::TempFolder temp;
    std::vector<std::uint32_t> clients;
};

struct SweepCase {
    std::string name;
    std::function<void(World&)> seed;
    std::function<std::string(const World&)> commandLine;
    int cleanStatus;  // what the run gives without failures
};

std::string withoutGuids(const std::string& text) {
    static const std::regex guid("[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{12}");
    return std::regex_replace(text, guid, "<guid>");
}

// The files below a folder, one entry each: the path relative to the base and
// the bytes (an account file's UTF-16 shown as text).
void listFiles(const std::string& base, const std::string& folder, std::vector<std::string>& out) {
    for (const auto& name : platform::findFiles(folder + "\\*")) {
        const std::string path = folder + "\\" + name;
        const std::string shown = withoutGuids(path.substr(base.size()));
        if (platform::folderExists(path)) {
            out.push_back(shown + "\\");
            listFiles(base, path, out);
        } else if (shown != "\\Tidewell.log") {
            const std::string bytes = readFile(path);
            const bool utf16 = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
            out.push_back(shown + " = [" + withoutGuids(utf16 ? shownFile(bytes) : bytes) + "]");
        }
    }
}

// The whole store as text: HKEY_CURRENT_USER's software keys and every file
// of the world's folder but the session log. New Windows Mail files are named
// by a fresh GUID each run, so GUIDs are shown as one.
std::string storeOf(const World& world) {
    std::string text = withoutGuids(registryDump(Hive::CurrentUser, "Software"));
    text += registryDump(Hive::CurrentUser, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem");
    std::vector<std::string> files;
    listFiles(world.folder(), world.folder(), files);
    std::sort(files.begin(), files.end());
    for (const auto& file : files) text += file + "\n";
    return text;
}

// Calls that change the store: when one fails, the run cannot have done its work.
bool changesStore(PlatformCall call) {
    switch (call) {
    case PlatformCall::CreateKey:
    case PlatformCall::SetValue:
    case PlatformCall::DeleteValue:
    case PlatformCall::DeleteKey:
    case PlatformCall::CreateFile:
    case PlatformCall::WriteFile:
    case PlatformCall::FlushFile:
    case PlatformCall::ReplaceFile: return true;
    default: return false;
    }
}

bool isValueCall(PlatformCall call) {
    return call == PlatformCall::QueryValue || call == PlatformCall::SetValue || call == PlatformCall::DeleteValue;
}

bool isLogCall(PlatformCall call) { return call == PlatformCall::OpenLog || call == PlatformCall::AppendLog; }

// The last name of a key or file path: what a log line about it must show.
std::string lastName(std::string subject) {
    while (!subject.empty() && subject.back() == '\\') subject.pop_back();
    const auto cut = subject.find_last_of('\\');
    return cut == std::string::npos ? subject : subject.substr(cut + 1);
}

bool containsIgnoringCase(std::string text, std::string part) {
    const auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
        return s;
    };
    return lower(std::move(text)).find(lower(std::move(part))) != std::string::npos;
}

struct Attempt {
    int status = -1;
    std::string before;
    std::string after;
    std::string log;
    std::vector<CallFaults::Call> calls;
    std::optional<CallFaults::Call> failed;
};

Attempt attempt(const SweepCase& c, std::size_t failing) {
    Attempt result;
    World world;
    seedText(Hive::CurrentUser, "Volatile Environment", "APPDATA", world.folder());
    c.seed(world);
    result.before = storeOf(world);
    const std::string commandLine = c.commandLine(world);
    {
        CallFaults faults(failing);
        result.status = ConfigApp{}.initInstance(commandLine);
        result.calls = faults.calls();
        result.failed = faults.failed();
    }
    result.after = storeOf(world);
    result.log = crlfToLf(readFile(world.folder() + "\\Tidewell.log"));
    return result;
}

std::string describe(const CallFaults::Call& call) {
    return std::string(platform::testing::callName(call.kind)) + " on '" + call.subject + "'";
}

void sweep(const SweepCase& c) {
    SCOPED_TRACE(c.name);
    {
        CallFaults probe;
        if (!probe.active()) GTEST_SKIP() << "only the fake backend fails its calls on demand";
    }
    const Attempt clean = attempt(c, 0);
    ASSERT_EQ(clean.status, c.cleanStatus) << clean.log;
    ASSERT_GT(clean.calls.size(), 0u);
    if (c.cleanStatus == 0) {
        ASSERT_NE(clean.after, clean.before) << "the run without failures writes";
    } else {
        ASSERT_EQ(clean.after, clean.before);
    }

    for (std::size_t n = 1; n <= clean.calls.size(); ++n) {
        const Attempt run = attempt(c, n);
        ASSERT_TRUE(run.failed) << "call " << n << " was not made";
        const auto& failed = *run.failed;
        const std::string what = "call " + std::to_string(n) + ": " + describe(failed);
        // A MAPI service once made stays: taking it back would need MAPI's
        // DeleteMsgService, which the program does not use. A failure after it
        // (naming its sections) must still be a failure that says why.
        const bool afterMapiService =
            std::any_of(run.calls.begin(), run.calls.begin() + static_cast<std::ptrdiff_t>(n - 1),
                        [](const CallFaults::Call& call) { return call.kind == PlatformCall::MapiCreateService; });
        if (run.status == 0) {
            EXPECT_EQ(run.after, clean.after) << what << " failed, the run reported success\n" << run.log;
            EXPECT_FALSE(changesStore(failed.kind)) << what << " failed, the run reported success\n" << run.log;
        } else if (!afterMapiService) {
            EXPECT_EQ(run.after, run.before) << what << " failed, status " << run.status << "\n" << run.log;
        }
        if (run.status != c.cleanStatus && !isLogCall(failed.kind)) {
            // GetFileAttributes answers only "there" or "not there" to its
            // callers (fileExists, folderExists): the log names the path.
            // MAPI's HRESULTs are logged in hexadecimal, Windows errors in decimal.
            const platform::Status code = platform::testing::typicalError(failed.kind);
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%08lx", static_cast<unsigned long>(code) & 0xFFFFFFFFul);
            const std::string error = code < 0 ? std::string(hex) : std::to_string(code);
            const std::regex named(code < 0 ? "hRes = " + error : "error\\D{0,5}" + error + "\\b", std::regex::icase);
            EXPECT_TRUE(failed.kind == PlatformCall::FileAttributes || std::regex_search(run.log, named))
                << what << ": the log does not give error " << error << "\n" << run.log;
            // A value is named by its own name or by its key's.
            const std::string key = failed.subject.substr(0, failed.subject.find_last_of('\\'));
            EXPECT_TRUE(failed.subject.empty() || containsIgnoringCase(run.log, lastName(failed.subject)) ||
                        (isValueCall(failed.kind) && containsIgnoringCase(run.log, lastName(key))))
                << what << ": the log does not name it\n" << run.log;
        }
        if (::testing::Test::HasFailure()) return;  // the first finding is enough to read
    }
}

// Outlook Express: Bob's account under 00000001 is the default.
void seedOutlookExpress(World&) {
    registerClient("Outlook Express");
    const std::string bob = std::string(kOeAccounts) + "\\00000001";
    seedText(Hive::CurrentUser, bob, "Account Name", "Bob");
    seedText(Hive::CurrentUser, bob, "SMTP Email Address", "bob@work.example");
    seedText(Hive::CurrentUser, bob, "SMTP Display Name", "Bob Work");
    seedDword(Hive::CurrentUser, bob, "POP3 Port", 110);
    seedText(Hive::CurrentUser, kOeManager, "Default Mail Account", "00000001");
}

void seedAnnInOutlookExpress(World& world) {
    seedOutlookExpress(world);
    // Under a key name of Outlook Express's own, so only its address tells.
    const std::string ann = std::string(kOeAccounts) + "\\00000002";
    seedText(Hive::CurrentUser, ann, "Account Name", "Ann Private");
    seedText(Hive::CurrentUser, ann, "SMTP Email Address", "ann@example.com");
    seedText(Hive::CurrentUser, ann, "IMAP Server", "imap.private.example");
    seedDword(Hive::CurrentUser, ann, "IMAP Port", 143);
}

std::string fixed(const char* commandLine) { return commandLine; }

TEST(FaultSweep, OutlookExpress) {
    const SweepCase cases[] = {
        {"first account",
         [](World&) {
             registerClient("Outlook Express");
             seedKey(Hive::CurrentUser, kOeAccounts);
         },
         [](const World&) { return fixed("-n \"Ann Example\" -c 0 -a ann@example.com"); }, 0},
        {"new account made the default", seedOutlookExpress,
         [](const World&) { return fixed("-n \"Ann Example\" -c 0 -a ann@example.com -d"); }, 0},
        {"reset made the default", seedAnnInOutlookExpress,
         [](const World&) { return fixed("-n \"Ann Example\" -c 0 -a ann@example.com -u -d"); }, 0},
        {"exists", seedAnnInOutlookExpress,
         [](const World&) { return fixed("-n \"Ann Example\" -c 0 -a ann@example.com"); }, 5},
    };
    for (const auto& c : cases) sweep(c);
}

// The automatic form copies the default account; a running Outlook Express is
// closed first with -x.
TEST(FaultSweep, OutlookExpressAutomatic) {
    const auto seed = [](World& world) {
        seedOutlookExpress(world);
        seedText(Hive::ClassesRoot, "mailto\\shell\\open\\command", "",
                 "\"C:\\Program Files\\Outlook Express\\msimn.exe\" /mailurl:%1");
    };
    const SweepCase cases[] = {
        {"automatic", seed, [](const World&) { return fixed("-auto -p \"QM-\" -d"); }, 0},
        // The second account also holds the text searched for: only the first may be copied.
        {"automatic with -s",
         [seed](World& world) {
             seed(world);
             seedAnnInOutlookExpress(world);
             seedText(Hive::CurrentUser, std::string(kOeAccounts) + "\\00000003", "SMTP Email Address",
                      "ann@example.com.invalid");
         },
         [](const World&) { return fixed("-auto -p \"QM-\" -s \"ann@example.com\""); }, 0},
        {"automatic closing the client",
         [seed](World& world) {
             seed(world);
             world.startClient("msimn.exe");
         },
         [](const World&) { return fixed("-auto -p \"QM-\" -x"); }, 0},
        {"client running",
         [seed](World& world) {
             seed(world);
             world.startClient("msimn.exe");
         },
         [](const World&) { return fixed("-n \"Ann\" -c 0 -a ann@example.com"); }, 11},
    };
    for (const auto& c : cases) sweep(c);
}

// Windows Mail: a store folder with an account file of Bob's, and the IAM default.
void seedWindowsMail(World& world) {
    registerClient("Windows Mail");
    seedText(Hive::CurrentUser, "Software\\Microsoft\\Windows Mail", "Store Root", world.folder() + "\\Mail");
    ASSERT_EQ(platform::createFolder(world.folder() + "\\Mail"), platform::kSuccess);
    ASSERT_EQ(platform::createFolder(world.folder() + "\\Mail\\Local Folders"), platform::kSuccess);
    ASSERT_EQ(platform::writeNewFile(world.folder() + "\\Mail\\Local Folders\\account{B0B}.oeaccount",
                                     accountFileOf({u"<?xml version=\"1.0\" encoding=\"utf-16\"?>",
                                                    u"<MessageAccount>",
                                                    u"<SMTP_Email_Address type=\"SZ\">bob@work.example</SMTP_Email_Address>",
                                                    u"</MessageAccount>"})),
              platform::kSuccess);
    seedText(Hive::CurrentUser, "Software\\Microsoft\\IAM", "Default Mail Account", "account{B0B}.oeaccount");
}

void seedAnnInWindowsMail(World& world) {
    seedWindowsMail(world);
    ASSERT_EQ(platform::writeNewFile(world.folder() + "\\Mail\\Local Folders\\account{A}.oeaccount", imapAccount()),
              platform::kSuccess);
}

TEST(FaultSweep, WindowsMail) {
    const SweepCase cases[] = {
        {"new account made the default", seedWindowsMail,
         [](const World&) { return fixed("-n \"Ann Example\" -c 2 -a ann@example.com -d"); }, 0},
        {"update made the default", seedAnnInWindowsMail,
         [](const World&) { return fixed("-n \"Ann Example\" -c 2 -a ann@example.com -u -d"); }, 0},
        {"update", seedAnnInWindowsMail,
         [](const World&) { return fixed("-n \"Ann Example\" -c 2 -a ann@example.com -u"); }, 0},
        {"exists", seedAnnInWindowsMail,
         [](const World&) { return fixed("-n \"Ann Example\" -c 2 -a ann@example.com"); }, 5},
    };
    for (const auto& c : cases) sweep(c);
}

// Eudora: Eudora.ini in the application-data folder, CR LF as Eudora writes it.
void seedEudora(World& world, std::string_view ini) {
    registerClient("Eudora");
    ASSERT_EQ(platform::createFolder(world.folder() + "\\Qualcomm"), platform::kSuccess);
    ASSERT_EQ(platform::createFolder(world.folder() + "\\Qualcomm\\Eudora"), platform::kSuccess);
    ASSERT_EQ(platform::writeNewFile(world.folder() + "\\Qualcomm\\Eudora\\Eudora.ini", ini), platform::kSuccess);
}

constexpr std::string_view kFreshEudora = "[Settings]\r\nRealName=\r\nReturnAddress=\r\nSavePasswordText=1\r\n";
constexpr std::string_view kEudoraInUse =
    "[Settings]\r\nRealName=Bob\r\nReturnAddress=bob@work.example\r\n\r\n"
    "[Personalities]\r\nPersona0=Persona-ann\r\n\r\n"
    "[Persona-ann]\r\nRealName=Ann\r\nReturnAddress=ann@example.com\r\nIMAPPort=143\r\n";

TEST(FaultSweep, Eudora) {
    const SweepCase cases[] = {
        {"dominant personality", [](World& world) { seedEudora(world, kFreshEudora); },
         [](const World&) { return fixed("-n \"Ann Example\" -c 3 -a ann@example.com"); }, 0},
        {"new personality", [](World& world) { seedEudora(world, kEudoraInUse); },
         [](const World&) { return fixed("-n \"Carl\" -c 3 -a carl@example.com"); }, 0},
        {"reset", [](World& world) { seedEudora(world, kEudoraInUse); },
         [](const World&) { return fixed("-n \"Ann Example\" -c 3 -a ANN@example.com -u"); }, 0},
        {"exists", [](World& world) { seedEudora(world, kEudoraInUse); },
         [](const World&) { return fixed("-n \"Ann Example\" -c 3 -a ann@example.com"); }, 5},
    };
    for (const auto& c : cases) sweep(c);
}

// Thunderbird: a profile list and, unless it is fresh, Bob's account in prefs.js.
void seedThunderbird(World& world, std::string_view prefs) {
    registerClient("Mozilla Thunderbird");
    const std::string folder = world.folder() + "\\Thunderbird";
    ASSERT_EQ(platform::createFolder(folder), platform::kSuccess);
    ASSERT_EQ(platform::createFolder(folder + "\\Profiles"), platform::kSuccess);
    ASSERT_EQ(platform::createFolder(folder + "\\Profiles\\abc.default"), platform::kSuccess);
    ASSERT_EQ(platform::writeNewFile(folder + "\\profiles.ini",
                                     "[General]\r\nStartWithLastProfile=1\r\n\r\n[Profile0]\r\nName=default\r\n"
                                     "IsRelative=1\r\nPath=Profiles/abc.default\r\nDefault=1\r\n"),
              platform::kSuccess);
    if (!prefs.empty()) {
        ASSERT_EQ(platform::writeNewFile(folder + "\\Profiles\\abc.default\\prefs.js", prefs), platform::kSuccess);
    }
}

const std::string kBobsPrefs = linesOf({
    "// Mozilla User Preferences",
    R"(user_pref("mail.account.account1.identities", "id1");)",
    R"(user_pref("mail.account.account1.server", "server1");)",
    R"(user_pref("mail.account.lastKey", 1);)",
    R"(user_pref("mail.accountmanager.accounts", "account1");)",
    R"(user_pref("mail.accountmanager.defaultaccount", "account1");)",
    R"(user_pref("mail.identity.id1.smtpServer", "smtp1");)",
    R"(user_pref("mail.identity.id1.useremail", "bob@work.example");)",
    R"(user_pref("mail.server.server1.hostname", "imap.work.example");)",
    R"(user_pref("mail.server.server1.type", "imap");)",
    R"(user_pref("mail.server.server1.userName", "bob@work.example");)",
    R"(user_pref("mail.smtpserver.smtp1.hostname", "smtp.work.example");)",
    R"(user_pref("mail.smtpservers", "smtp1");)",
});

TEST(FaultSweep, Thunderbird) {
    const SweepCase cases[] = {
        {"first account", [](World& world) { seedThunderbird(world, ""); },
         [](const World&) { return fixed("-n \"Ann Example\" -c 4 -a ann@example.com"); }, 0},
        {"new account made the default", [](World& world) { seedThunderbird(world, kBobsPrefs); },
         [](const World&) { return fixed("-n \"Ann Example\" -c 4 -a ann@example.com -d"); }, 0},
        {"reset", [](World& world) { seedThunderbird(world, kBobsPrefs); },
         [](const World&) { return fixed("-n \"Bob Example\" -c 4 -a bob@work.example -u"); }, 0},
        {"exists", [](World& world) { seedThunderbird(world, kBobsPrefs); },
         [](const World&) { return fixed("-n \"Bob Example\" -c 4 -a bob@work.example"); }, 5},
    };
    for (const auto& c : cases) sweep(c);
}

// Outlook, registered with its major version.
void registerOutlook(int version) {
    registerClient("Microsoft Outlook");
    seedText(Hive::LocalMachine, "SOFTWARE\\Clients\\Mail\\Microsoft Outlook", "MSIApplicationLCID",
             "Software\\Microsoft\\Office\\" + std::to_string(version) + ".0\\Outlook LastUILanguage");
}

// Outlook 2000's account manager with Bob's account, the default.
void seedOutlook2000(World&) {
    registerOutlook(9);
    seedText(Hive::CurrentUser, kOmiAccounts + "\\00000001", "SMTP Email Address", "bob@work.example");
    seedText(Hive::CurrentUser, kOmiManager, "Default Mail Account", "00000001");
}

void seedAnnInOutlook2000(World& world) {
    seedOutlook2000(world);
    seedText(Hive::CurrentUser, kOmiAccounts + "\\00000002", "SMTP Email Address", "ann@example.com");
    seedDword(Hive::CurrentUser, kOmiAccounts + "\\00000002", "IMAP Port", 143);
}

// Corporate/Workgroup mode: the default MAPI profile "Work".
void seedCorporate(World& world, bool withAnn) {
    if (withAnn) {
        seedAnnInOutlook2000(world);
    } else {
        seedOutlook2000(world);
    }
    seedDword(Hive::CurrentUser, kMailSupportKey, "MailSupport", 1);
    seedText(Hive::CurrentUser, kProfiles, "DefaultProfile", "Work");
    seedText(Hive::CurrentUser, kProfiles + "\\Work\\0a0d020000000000c000000000000046", "001e3d0b", "ExchangeEntry");
}

TEST(FaultSweep, Outlook2000) {
    platform::testing::StandInMapi mapi;
    const SweepCase cases[] = {
        {"new account made the default", seedOutlook2000,
         [](const World&) { return fixed("-n \"Ann Example\" -c 1 -a ann@example.com -d"); }, 0},
        {"reset", seedAnnInOutlook2000,
         [](const World&) { return fixed("-n \"Ann Example\" -c 1 -a ann@example.com -u"); }, 0},
        {"exists", seedAnnInOutlook2000,
         [](const World&) { return fixed("-n \"Ann Example\" -c 1 -a ann@example.com"); }, 5},
        {"Corporate/Workgroup, new account and its mail service", [](World& world) { seedCorporate(world, false); },
         [](const World&) { return fixed("-n \"Ann Example\" -c 1 -a ann@example.com"); }, 0},
        {"Corporate/Workgroup, reset and a missing service", [](World& world) { seedCorporate(world, true); },
         [](const World&) { return fixed("-n \"Ann Example\" -c 1 -a ann@example.com -u"); }, 0},
    };
    for (const auto& c : cases) sweep(c);
}

// Outlook 2003's profile store: Bob's account in the default profile.
void seedOutlook2003(World&, bool withAnn) {
    registerOutlook(11);
    seedProfileStore("Home", withAnn ? 3 : 2, withAnn ? std::vector<std::uint32_t>{1, 2} : std::vector<std::uint32_t>{1});
    seedProfileAccount("Home", "00000001", "bob@work.example", "Bob");
    if (withAnn) seedProfileAccount("Home", "00000002", "ann@example.com", "Ann Old");
}

TEST(FaultSweep, OutlookProfileStore) {
    const SweepCase cases[] = {
        {"new account made the default", [](World& world) { seedOutlook2003(world, false); },
         [](const World&) { return fixed("-n \"Ann Example\" -c 1 -a ann@example.com -d"); }, 0},
        {"reset made the default", [](World& world) { seedOutlook2003(world, true); },
         [](const World&) { return fixed("-n \"Ann Example\" -c 1 -a ann@example.com -u -d"); }, 0},
        {"exists", [](World& world) { seedOutlook2003(world, true); },
         [](const World&) { return fixed("-n \"Ann Example\" -c 1 -a ann@example.com"); }, 5},
        {"automatic",
         [](World& world) {
             seedOutlook2003(world, true);
             seedText(Hive::ClassesRoot, "mailto\\shell\\open\\command", "",
                      "\"C:\\Program Files\\Microsoft Office\\Office11\\OUTLOOK.EXE\" -c IPM.Note /m \"%1\"");
         },
         [](const World&) { return fixed("-auto -p \"QM-\" -s \"ann@\" -d"); }, 0},
    };
    for (const auto& c : cases) sweep(c);
}

}  // namespace
}  // namespace tw::test
