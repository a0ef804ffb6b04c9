// The Thunderbird writer end to end: a profile folder under the test's
// application-data folder, prefs.js before and after, and the session log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/configuration_driver.h"
#include "clients/thunderbird/thunderbird_writer.h"
#include "platform/files.h"
#include "platform/testing.h"
#include "tests/support/thunderbird_fixture.h"

namespace tw::test {
namespace {

// The account lines of a first account; $PORT, $SOCKET etc. filled per case.
const std::string kFirstAccountLines = linesOf({
    R"(user_pref("mail.account.account2.identities", "id1");)",
    R"(user_pref("mail.account.account2.server", "server2");)",
    R"(user_pref("mail.accountmanager.accounts", "account2");)",
    R"(user_pref("mail.accountmanager.defaultaccount", "account2");)",
    R"(user_pref("mail.identity.id1.fullName", "Ann Example");)",
    R"(user_pref("mail.identity.id1.smtpServer", "smtp1");)",
    R"(user_pref("mail.server.server2.hostname", "$IN");)",
    R"(user_pref("mail.server.server2.realhostname", "$IN");)",
    R"(user_pref("mail.server.server2.login_at_startup", true);)",
    R"(user_pref("mail.server.server2.type", "imap");)",
    R"(user_pref("mail.server.server2.userName", "ann@example.com");)",
    R"(user_pref("mail.server.server2.name", "ann@example.com");)",
    R"(user_pref("mail.server.server2.isSecure", true);)",
    R"(user_pref("mail.server.server2.port", $IMAPPORT);)",
    R"(user_pref("mail.server.server2.socketType", $SOCK);)",
    R"(user_pref("mail.identity.id1.useremail", "ann@example.com");)",
    R"(user_pref("mail.identity.id1.draft_folder", "mailbox://nobody@Local%20Folders/Drafts");)",
    R"(user_pref("mail.identity.id1.fcc_folder", "mailbox://nobody@Local%20Folders/Sent");)",
    R"(user_pref("mail.smtpserver.smtp1.auth_method", 1);)",
    R"(user_pref("mail.smtpserver.smtp1.port", $SMTPPORT);)",
    R"(user_pref("mail.smtpserver.smtp1.try_ssl", $SOCK);)",
    R"(user_pref("mail.smtpserver.smtp1.hostname", "$OUT");)",
    R"(user_pref("mail.smtpserver.smtp1.username", "ann@example.com");)",
    R"(user_pref("mail.smtpservers", "smtp1");)",
    R"(user_pref("mail.smtp.defaultserver", "smtp1");)",
});

std::string replaced(std::string text, std::initializer_list<std::pair<std::string_view, std::string_view>> pairs) {
    for (const auto& [from, to] : pairs) {
        for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
            text.replace(at, from.size(), to);
        }
    }
    return text;
}

std::string firstAccountLines(bool useSsl) {
    const std::string text = useSsl ? replaced(kFirstAccountLines, {{"$IN", "$SECURE"}, {"$OUT", "$SECURE"},
                                                                   {"$IMAPPORT", "993"}, {"$SMTPPORT", "465"},
                                                                   {"$SOCK", "3"}})
                                    : replaced(kFirstAccountLines, {{"$IN", "$IMAP"}, {"$OUT", "$SMTP"},
                                                                   {"$IMAPPORT", "143"}, {"$SMTPPORT", "587"},
                                                                   {"$SOCK", "0"}});
    return withHosts(text);
}

using ThunderbirdWriterTest = ThunderbirdTest;

TEST_F(ThunderbirdWriterTest, FirstAccountOfANewProfileWithAndWithoutSsl) {
    for (bool useSsl : {true, false}) {
        SCOPED_TRACE(useSsl ? "SSL" : "no SSL");
        platform::deleteFile(prefsFile());
        writeProfilesIni();  // the profile folder itself is missing
        ASSERT_EQ(configure("ann@example.com", "Ann Example", {.useSsl = useSsl}), OutcomeConfigured);
        EXPECT_EQ(prefsText(), firstAccountLines(useSsl));
        EXPECT_FALSE(platform::fileExists(profileFolder() + "\\prefs.tmp"));
    }
    const std::string log = logText();
    EXPECT_NE(log.find("Starting Thunderbird configuration...\n\nUsers profile created at: " + thunderbirdFolder() +
                       "\\profiles.ini\nProfile directory not found. Creating in user's application data folder "
                       "... done.\nSearching for existant ann@example.com account ... not found. Creating new "
                       "account.\n\nThe following lines were written/overwritten in the Thunderbird configuration "
                       "file:\n\n" +
                       firstAccountLines(false) + "\n"),
              std::string::npos)
        << log;
}

TEST_F(ThunderbirdWriterTest, FirstAccountKeepsTheSettingsAProfileAlreadyHas) {
    // Thunderbird's own header and settings, LF-ended as on other systems, and
    // an account counter left behind by a deleted account.
    seedProfile("// Mozilla User Preferences\n\nuser_pref(\"mail.account.lastKey\", 1);\n"
                "user_pref(\"mail.ui-rdf.version\", 61);");
    ASSERT_EQ(configure("ann@example.com", "Ann Example"), OutcomeConfigured);
    EXPECT_EQ(prefsText(), "// Mozilla User Preferences\n\nuser_pref(\"mail.account.lastKey\", 2);\n"
                           "user_pref(\"mail.ui-rdf.version\", 61);\n" +
                               firstAccountLines(true));
}

// A profile as Thunderbird leaves it after the user made one IMAP account.
const std::string kOneAccountProfile = linesOf({
    "// Mozilla User Preferences",
    "",
    R"(user_pref("mail.account.account1.identities", "id1");)",
    R"(user_pref("mail.account.account1.server", "server1");)",
    R"(user_pref("mail.account.account2.server", "server2");)",
    R"(user_pref("mail.account.lastKey", 2);)",
    R"(user_pref("mail.accountmanager.accounts", "account1,account2");)",
    R"(user_pref("mail.accountmanager.defaultaccount", "account1");)",
    R"(user_pref("mail.accountmanager.localfoldersserver", "server2");)",
    R"(user_pref("mail.identity.id1.fullName", "Bob Other");)",
    R"(user_pref("mail.identity.id1.smtpServer", "smtp1");)",
    R"(user_pref("mail.identity.id1.useremail", "bob@other.example");)",
    R"(user_pref("mail.server.server1.hostname", "imap.other.example");)",
    R"(user_pref("mail.server.server1.type", "imap");)",
    R"(user_pref("mail.server.server2.hostname", "Local Folders");)",
    R"(user_pref("mail.server.server2.type", "none");)",
    R"(user_pref("mail.smtp.defaultserver", "smtp1");)",
    R"(user_pref("mail.smtpserver.smtp1.hostname", "smtp.other.example");)",
    R"(user_pref("mail.smtpserver.smtp1.username", "bob@other.example");)",
    R"(user_pref("mail.smtpservers", "smtp1");)",
});

const std::string kAddedToOneAccountProfile = withHosts(linesOf({
    "// Mozilla User Preferences",
    "",
    R"(user_pref("mail.account.account3.identities", "id2");)",
    R"(user_pref("mail.account.account3.server", "server3");)",
    R"(user_pref("mail.account.account1.identities", "id1");)",
    R"(user_pref("mail.account.account1.server", "server1");)",
    R"(user_pref("mail.account.account2.server", "server2");)",
    R"(user_pref("mail.account.lastKey", 3);)",
    R"(user_pref("mail.accountmanager.accounts", "account1,account2,account3");)",
    R"(user_pref("mail.accountmanager.defaultaccount", "account1");)",
    R"(user_pref("mail.identity.id2.fullName", "Ann Example");)",
    R"(user_pref("mail.identity.id2.smtpServer", "smtp2");)",
    R"(user_pref("mail.server.server3.hostname", "$SECURE");)",
    R"(user_pref("mail.server.server3.realhostname", "$SECURE");)",
    R"(user_pref("mail.server.server3.login_at_startup", true);)",
    R"(user_pref("mail.server.server3.type", "imap");)",
    R"(user_pref("mail.server.server3.userName", "ann@example.com");)",
    R"(user_pref("mail.server.server3.name", "ann@example.com");)",
    R"(user_pref("mail.server.server3.isSecure", true);)",
    R"(user_pref("mail.server.server3.port", 993);)",
    R"(user_pref("mail.server.server3.socketType", 3);)",
    R"(user_pref("mail.identity.id2.useremail", "ann@example.com");)",
    R"(user_pref("mail.identity.id2.draft_folder", "imap://ann%40example.com@$SECURE/Drafts");)",
    R"(user_pref("mail.identity.id2.fcc_folder", "imap://ann%40example.com@$SECURE/Sent");)",
    R"(user_pref("mail.smtpserver.smtp2.auth_method", 1);)",
    R"(user_pref("mail.smtpserver.smtp2.port", 465);)",
    R"(user_pref("mail.smtpserver.smtp2.try_ssl", 3);)",
    R"(user_pref("mail.smtpserver.smtp2.hostname", "$SECURE");)",
    R"(user_pref("mail.smtpserver.smtp2.username", "ann@example.com");)",
    R"(user_pref("mail.accountmanager.localfoldersserver", "server2");)",
    R"(user_pref("mail.identity.id1.fullName", "Bob Other");)",
    R"(user_pref("mail.identity.id1.smtpServer", "smtp1");)",
    R"(user_pref("mail.identity.id1.useremail", "bob@other.example");)",
    R"(user_pref("mail.server.server1.hostname", "imap.other.example");)",
    R"(user_pref("mail.server.server1.type", "imap");)",
    R"(user_pref("mail.server.server2.hostname", "Local Folders");)",
    R"(user_pref("mail.server.server2.type", "none");)",
    R"(user_pref("mail.smtp.defaultserver", "smtp1");)",
    R"(user_pref("mail.smtpserver.smtp1.hostname", "smtp.other.example");)",
    R"(user_pref("mail.smtpserver.smtp1.username", "bob@other.example");)",
    R"(user_pref("mail.smtpservers", "smtp1,smtp2");)",
}));

TEST_F(ThunderbirdWriterTest, NewAccountBesideAnotherKeepsEveryOldLineAndItsServers) {
    // The same result from LF and CR LF ends, and from a last line without one.
    const std::string lf = kOneAccountProfile;
    const std::string crlf = replaced(lf, {{"\n", "\r\n"}});
    for (const std::string& input : {lf, crlf, lf.substr(0, lf.size() - 1)}) {
        seedProfile(input);
        ASSERT_EQ(configure("ann@example.com", "Ann Example"), OutcomeConfigured);
        EXPECT_EQ(prefsText(), kAddedToOneAccountProfile);
    }
    const std::string log = logText();
    EXPECT_NE(log.find(withHosts(linesOf({
                  R"(user_pref("mail.identity.id2.smtpServer", "smtp2");)",
                  R"(user_pref("mail.server.server3.hostname", "$SECURE");)",
              }))),
              std::string::npos);
    EXPECT_NE(log.find(withHosts(linesOf({
                  R"(user_pref("mail.server.server3.port", 993);)",
                  R"(user_pref("mail.identity.id2.useremail", "ann@example.com");)",
                  R"(user_pref("mail.identity.id2.draft_folder", "imap://ann%40example.com@$SECURE/Drafts");)",
                  R"(user_pref("mail.identity.id2.fcc_folder", "imap://ann%40example.com@$SECURE/Sent");)",
                  R"(user_pref("mail.smtpserver.smtp2.auth_method", 1);)",
                  R"(user_pref("mail.smtpserver.smtp2.port", 465);)",
                  R"(user_pref("mail.smtpserver.smtp2.try_ssl", 3);)",
                  R"(user_pref("mail.smtpserver.smtp2.hostname", "$SECURE");)",
                  R"(user_pref("mail.smtpserver.smtp2.username", "ann@example.com");)",
                  R"(user_pref("mail.smtpservers", "smtp1,smtp2");)",
                  "",
              }))),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("mail.smtp.defaultserver"), std::string::npos) << "not written, so not listed";
}

TEST_F(ThunderbirdWriterTest, AFileOfSeveralMegabytesIsCopiedWhole) {
    // Larger than the pieces the new copy is written in.
    std::string filler;
    for (int n = 0; filler.size() < (3u << 20); ++n) {
        filler += "user_pref(\"mailnews.filler" + std::to_string(n) + "\", \"" + std::string(40, 'x') + "\");\n";
    }
    seedProfile(kOneAccountProfile + filler);
    ASSERT_EQ(configure("ann@example.com", "Ann Example"), OutcomeConfigured);
    EXPECT_TRUE(prefsText() == kAddedToOneAccountProfile + filler);
}

struct AddCase {
    const char* name;
    std::string prefs;
    WriterFlags flags;
    std::vector<std::string> expectedLines;  // each present in the result
    std::vector<std::string> absentLines;
};

TEST_F(ThunderbirdWriterTest, NewAccountVariations) {
    const std::string localCopies = replaced(
        kOneAccountProfile, {{R"(user_pref("mail.identity.id1.fullName")",
                              "user_pref(\"mail.identity.id1.fcc_folder\", \"mailbox://nobody@Local%20Folders/Sent\");"
                              "\nuser_pref(\"mail.identity.id1.fullName\""}});
    const std::string noListNoDefault =
        linesOf({R"(user_pref("mail.account.account4.server", "server9");)", R"(user_pref("other", 1);)"});
    const std::vector<AddCase> cases = {
        {"makeDefault moves the default account",
         kOneAccountProfile,
         {.makeDefault = true},
         {R"(user_pref("mail.accountmanager.defaultaccount", "account3");)"},
         {R"(user_pref("mail.accountmanager.defaultaccount", "account1");)"}},
        {"copies go to the local folders when another identity keeps them there",
         localCopies,
         {},
         {R"(user_pref("mail.identity.id2.draft_folder", "mailbox://nobody@Local%20Folders/Drafts");)",
          R"(user_pref("mail.identity.id2.fcc_folder", "mailbox://nobody@Local%20Folders/Sent");)"},
         {}},
        {"without SSL",
         kOneAccountProfile,
         {.useSsl = false},
         {withHosts(R"(user_pref("mail.server.server3.hostname", "$IMAP");)"),
          R"(user_pref("mail.server.server3.port", 143);)", R"(user_pref("mail.server.server3.socketType", 0);)",
          R"(user_pref("mail.server.server3.isSecure", true);)",
          withHosts(R"(user_pref("mail.identity.id2.fcc_folder", "imap://ann%40example.com@$IMAP/Sent");)"),
          withHosts(R"(user_pref("mail.smtpserver.smtp2.hostname", "$SMTP");)"),
          R"(user_pref("mail.smtpserver.smtp2.port", 587);)", R"(user_pref("mail.smtpserver.smtp2.try_ssl", 0);)"},
         {}},
        {"no account list and no default account: the new lines come at the end",
         noListNoDefault,
         {.makeDefault = true},
         {withHosts(linesOf({R"(user_pref("mail.account.account5.identities", "id1");)",
                             R"(user_pref("mail.account.account5.server", "server10");)",
                             R"(user_pref("mail.account.account4.server", "server9");)", R"(user_pref("other", 1);)",
                             R"(user_pref("mail.identity.id1.fullName", "Ann Example");)"})),
          linesOf({R"(user_pref("mail.smtpserver.smtp1.username", "ann@example.com");)",
                   R"(user_pref("mail.accountmanager.accounts", "account5");)",
                   R"(user_pref("mail.accountmanager.defaultaccount", "account5");)",
                   R"(user_pref("mail.smtpservers", "smtp1");)"})},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        seedProfile(c.prefs);
        ASSERT_EQ(configure("ann@example.com", "Ann Example", c.flags), OutcomeConfigured);
        const std::string text = prefsText();
        for (const auto& line : c.expectedLines) EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
        for (const auto& line : c.absentLines) EXPECT_EQ(text.find(line), std::string::npos) << line << "\n" << text;
        EXPECT_FALSE(text.ends_with("\n\n")) << "no empty line is added at the end of a copy";
    }
}

TEST_F(ThunderbirdWriterTest, AFileWhoseLinesAllStartWithBlanksIsCopiedWhole) {
    const std::string indented = "  user_pref(\"mail.account.account1.server\", \"server1\");\n"
                                 "  user_pref(\"mail.accountmanager.accounts\", \"account1\");\n";
    seedProfile(indented);
    ASSERT_EQ(configure("ann@example.com", "Ann Example"), OutcomeConfigured);
    const std::string text = prefsText();
    EXPECT_EQ(text.rfind("  user_pref(\"mail.account.account1.server\", \"server1\");\n"
                         "user_pref(\"mail.accountmanager.accounts\", \"account1,account2\");\n"
                         "user_pref(\"mail.account.account2.identities\", \"id1\");\n",
                         0),
              0u)
        << text;
}

// Identity id1 (the address, in other letters) belongs to account3, while
// account1's identity id10 starts with the same text.
const std::string kResetProfile = linesOf({
    R"(user_pref("mail.account.account1.identities", "id10");)",
    R"(user_pref("mail.account.account1.server", "server1");)",
    R"(user_pref("mail.account.account3.identities", "id1");)",
    R"(user_pref("mail.account.account3.server", "server3");)",
    R"(user_pref("mail.accountmanager.accounts", "account1,account3");)",
    R"(user_pref("mail.accountmanager.defaultaccount", "account1");)",
    R"(user_pref("mail.identity.id1.draft_folder", "imap://ann%40example.com@imap.old.example/Drafts");)",
    R"(user_pref("mail.identity.id1.fullName", "Old Name");)",
    R"(user_pref("mail.identity.id1.smtpServer", "smtp2");)",
    R"(user_pref("mail.identity.id1.useremail", "Ann@Example.COM");)",
    R"(user_pref("mail.identity.id10.fullName", "Ten");)",
    R"(user_pref("mail.identity.id10.smtpServer", "smtp1");)",
    R"(user_pref("mail.identity.id10.useremail", "ten@example.com");)",
    R"(user_pref("mail.server.server1.hostname", "imap.ten.example");)",
    R"(user_pref("mail.server.server1.port", 143);)",
    R"(user_pref("mail.server.server3.hostname", "imap.old.example");)",
    R"(user_pref("mail.server.server3.isSecure", true);)",
    R"(user_pref("mail.server.server3.name", "Ann's mail");)",
    R"(user_pref("mail.server.server3.port", 143);)",
    R"(user_pref("mail.server.server3.type", "imap");)",
    R"(user_pref("mail.server.server3.userName", "ann");)",
    R"(user_pref("mail.smtpserver.smtp1.hostname", "smtp.ten.example");)",
    R"(user_pref("mail.smtpserver.smtp2.hostname", "smtp.old.example");)",
    R"(user_pref("mail.smtpserver.smtp2.port", 25);)",
    R"(user_pref("mail.smtpserver.smtp2.username", "ann");)",
    R"(user_pref("mail.smtpservers", "smtp1,smtp2");)",
});

TEST_F(ThunderbirdWriterTest, ResetRewritesOnlyTheAccountOfTheAddress) {
    seedProfile(kResetProfile);
    ASSERT_EQ(configure("ann@example.com", "Ann Example", {.overwriteExisting = true}), OutcomeConfigured);
    EXPECT_EQ(prefsText(),
              withHosts(linesOf({
                  R"(user_pref("mail.account.account1.identities", "id10");)",
                  R"(user_pref("mail.account.account1.server", "server1");)",
                  R"(user_pref("mail.account.account3.identities", "id1");)",
                  R"(user_pref("mail.account.account3.server", "server3");)",
                  R"(user_pref("mail.accountmanager.accounts", "account1,account3");)",
                  R"(user_pref("mail.accountmanager.defaultaccount", "account1");)",
                  R"(user_pref("mail.identity.id1.draft_folder", "imap://ann%40example.com@imap.old.example/Drafts");)",
                  R"(user_pref("mail.identity.id1.fullName", "Ann Example");)",
                  R"(user_pref("mail.identity.id1.smtpServer", "smtp2");)",
                  R"(user_pref("mail.identity.id1.useremail", "Ann@Example.COM");)",
                  R"(user_pref("mail.identity.id10.fullName", "Ten");)",
                  R"(user_pref("mail.identity.id10.smtpServer", "smtp1");)",
                  R"(user_pref("mail.identity.id10.useremail", "ten@example.com");)",
                  R"(user_pref("mail.server.server1.hostname", "imap.ten.example");)",
                  R"(user_pref("mail.server.server1.port", 143);)",
                  R"(user_pref("mail.server.server3.hostname", "$SECURE");)",
                  R"(user_pref("mail.server.server3.isSecure", true);)",
                  R"(user_pref("mail.server.server3.name", "Ann's mail");)",
                  R"(user_pref("mail.server.server3.port", 993);)",
                  R"(user_pref("mail.server.server3.type", "imap");)",
                  R"(user_pref("mail.server.server3.userName", "ann@example.com");)",
                  R"(user_pref("mail.smtpserver.smtp1.hostname", "smtp.ten.example");)",
                  R"(user_pref("mail.smtpserver.smtp2.hostname", "$SECURE");)",
                  R"(user_pref("mail.smtpserver.smtp2.port", 465);)",
                  R"(user_pref("mail.smtpserver.smtp2.username", "ann@example.com");)",
                  R"(user_pref("mail.smtpservers", "smtp1,smtp2");)",
                  R"(user_pref("mail.smtpserver.smtp2.auth_method", 1);)",
                  R"(user_pref("mail.smtpserver.smtp2.try_ssl", 3);)",
                  R"(user_pref("mail.server.server3.socketType", 3);)",
              })));
    const std::string log = logText();
    EXPECT_NE(log.find("Searching for existant ann@example.com account ...  found. Reseting settings to defaults.\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find(R"(user_pref("mail.account.account3.server", "server3");)"), std::string::npos);
    EXPECT_NE(log.find(R"(user_pref("mail.smtpserver.smtp1.port", 465);)"), std::string::npos);

    // Again with -d: the default account moves to this account, nothing else changes.
    const std::string before = prefsText();
    ASSERT_EQ(configure("ann@example.com", "Ann Example", {.makeDefault = true, .overwriteExisting = true}),
              OutcomeConfigured);
    EXPECT_EQ(prefsText(), replaced(before, {{R"("mail.accountmanager.defaultaccount", "account1")",
                                              R"("mail.accountmanager.defaultaccount", "account3")"}}));
}

TEST_F(ThunderbirdWriterTest, ResetOfAnIdentityWithoutOutgoingServerGivesItOneOfItsOwn) {
    std::string prefs = replaced(kResetProfile, {{"user_pref(\"mail.identity.id1.smtpServer\", \"smtp2\");\n", ""}});
    seedProfile(prefs);
    ASSERT_EQ(configure("ann@example.com", "Ann Example", {.overwriteExisting = true, .useSsl = false}),
              OutcomeConfigured);
    const std::string text = prefsText();
    EXPECT_NE(text.find(R"(user_pref("mail.smtpserver.smtp2.hostname", "smtp.old.example");)"), std::string::npos)
        << "the servers in use stay as they are";
    EXPECT_NE(text.find(R"(user_pref("mail.smtpservers", "smtp1,smtp2,smtp3");)"), std::string::npos);
    EXPECT_NE(text.find(withHosts(linesOf({
                  R"(user_pref("mail.identity.id1.smtpServer", "smtp3");)",
                  R"(user_pref("mail.smtpserver.smtp3.auth_method", 1);)",
                  R"(user_pref("mail.smtpserver.smtp3.port", 587);)",
                  R"(user_pref("mail.smtpserver.smtp3.try_ssl", 0);)",
                  R"(user_pref("mail.smtpserver.smtp3.hostname", "$SMTP");)",
                  R"(user_pref("mail.smtpserver.smtp3.username", "ann@example.com");)",
              }))),
              std::string::npos)
        << text;
}

TEST_F(ThunderbirdWriterTest, AnExistingAddressWithoutOverwriteChangesNothing) {
    seedProfile(kResetProfile);
    const std::string before = readFile(prefsFile());
    EXPECT_EQ(configure("ANN@example.com", "Ann Example"), OutcomeAccountExists);
    EXPECT_EQ(readFile(prefsFile()), before);
    EXPECT_FALSE(platform::fileExists(profileFolder() + "\\prefs.tmp"));
    EXPECT_NE(logText().find("Searching for existant ANN@example.com account ...  found. No changes will be made.\n"),
              std::string::npos);
}

TEST_F(ThunderbirdWriterTest, AnIdentityThatNoAccountUsesIsNotReset) {
    seedProfile(replaced(kResetProfile, {{R"("mail.account.account3.identities", "id1")",
                                          R"("mail.account.account3.identities", "id11")"}}));
    const std::string before = readFile(prefsFile());
    EXPECT_EQ(configure("ann@example.com", "Ann", {.overwriteExisting = true}), OutcomeCannotConfigure);
    EXPECT_EQ(readFile(prefsFile()), before);
    EXPECT_NE(logText().find("No account with an incoming server uses the identity id1. No changes have been made."),
              std::string::npos);
}

TEST_F(ThunderbirdWriterTest, QuotesBackslashesAndAccentedLettersReachThunderbirdIntact) {
    seedProfile(std::nullopt);
    // "Zoë" in the ANSI code page; prefs.js holds UTF-8.
    ASSERT_EQ(configure("zo\xEB@example.com", "Ann \"Q\" Zo\xEB\\", {}), OutcomeConfigured);
    const std::string text = prefsText();
    EXPECT_NE(text.find("user_pref(\"mail.identity.id1.fullName\", \"Ann \\\"Q\\\" Zo\xC3\xAB\\\\\");"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("user_pref(\"mail.identity.id1.useremail\", \"zo\xC3\xAB@example.com\");"), std::string::npos);
    EXPECT_NE(logText().find("user_pref(\"mail.identity.id1.fullName\", \"Ann \\\"Q\\\" Zo\xEB\\\\\");"),
              std::string::npos)
        << "the log keeps the program's own 8-bit text";

    // The same address in other ASCII letters is found again in its UTF-8 form.
    EXPECT_EQ(configure("ZO\xEB@Example.com", "Zoe"), OutcomeAccountExists);
}

TEST_F(ThunderbirdWriterTest, FailuresLeavePrefsJsAsItWas) {
    seedProfile(kOneAccountProfile);
    const std::string before = readFile(prefsFile());
    {
        platform::testing::ExclusiveFileLock lock(prefsFile());
        ASSERT_TRUE(lock.locked());
        EXPECT_EQ(configure("ann@example.com", "Ann Example"), OutcomeCannotConfigure);
    }
    EXPECT_NE(logText().find("Unable to read " + prefsFile() + " (error 32). No changes have been made.\n"),
              std::string::npos)
        << logText();

    // A folder where the temporary file goes makes its write fail.
    const std::string temp = profileFolder() + "\\prefs.tmp";
    ASSERT_EQ(platform::createFolder(temp), platform::kSuccess);
    EXPECT_EQ(configure("ann@example.com", "Ann Example"), OutcomeCannotConfigure);
    EXPECT_NE(logText().find("Unable to write " + temp + " (error 5). No changes have been made.\n"),
              std::string::npos)
        << logText();
    EXPECT_EQ(readFile(prefsFile()), before);
    EXPECT_EQ(logText().find("The following lines were written"), std::string::npos);
}

TEST_F(ThunderbirdWriterTest, TheDriverRunsTheWriterAndDescribesItsFailures) {
    RunState state;
    state.request.clientKind = Thunderbird;
    state.request.commandLineMode = true;
    state.request.address = "ann@example.com";
    state.request.displayName = "Ann Example";
    state.log.open(logFile());
    EXPECT_EQ(runConfigurationDriver(state).outcome, OutcomeClientNeverRun);
    const std::string log = logText();
    EXPECT_NE(log.find("Client Selected to Configure: Mozilla Thunderbird\n\nStarting Thunderbird configuration..."),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Description: ERROR: Thunderbird has not been run for the first time. Please run and close "
                       "Thunderbird and try again.\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(describeOutcome(Thunderbird, OutcomeCannotConfigure), "ERROR: Unable to automatically configure");
    EXPECT_EQ(describeOutcome(Thunderbird, OutcomeAccountExists),
              "ERROR: Account was already found, no changes have been made.");
}

}  // namespace
}  // namespace tw::test
