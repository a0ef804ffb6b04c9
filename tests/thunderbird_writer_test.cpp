// The Thunderbird writer end to end: a profile folder under the test's
// application-data folder, prefs.js before and after, and the session log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/configuration_driver.h"
#include "clients/thunderbird/pref_file.h"
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
    // Thunderbird's own header and settings, LF-ended as on other systems, an
    // account counter left behind by a deleted account, and a last line
    // without an end.
    seedProfile("// Mozilla User Preferences\n\nuser_pref(\"mail.account.lastKey\", 1);\n"
                "user_pref(\"mail.ui-rdf.version\", 61);");
    ASSERT_EQ(configure("ann@example.com", "Ann Example"), OutcomeConfigured);
    EXPECT_EQ(prefsBytes(), "// Mozilla User Preferences\n\nuser_pref(\"mail.account.lastKey\", 2);\n"
                            "user_pref(\"mail.ui-rdf.version\", 61);\r\n" +
                                withLineEnds(firstAccountLines(true), "\r\n"));
}

// A stale statement of one of the account's keys in the last line, after which
// the file ends in text Thunderbird skips: the account's lines go before that
// line, so the stale statement would win over them; it is replaced instead.
TEST_F(ThunderbirdWriterTest, FirstAccountReplacesAStaleStatementItCannotFollow) {
    seedProfile("user_pref(\"mail.identity.id1.useremail\", \"bob@old.example\"); unreadable \"tail\r\n");
    ASSERT_EQ(configure("ann@example.com", "Ann Example"), OutcomeConfigured);
    const std::string prefs = prefsBytes();
    EXPECT_EQ(prefs.find("bob@old.example"), std::string::npos) << prefs;
    EXPECT_NE(prefs.find("user_pref(\"mail.identity.id1.useremail\", \"ann@example.com\"); unreadable \"tail\r\n"),
              std::string::npos)
        << "the statement is replaced, the rest of its line stays\n" << prefs;
    EXPECT_EQ(configure("ann@example.com", "Ann Example"), OutcomeAccountExists) << "found again";
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

// The expected file when the old lines end in lineEnd: each keeps it, the
// lines of the new account end in CR LF.
std::string withNewLinesInCrLf(std::string_view text, std::string_view lineEnd) {
    std::string result;
    for (std::string_view line : thunderbird::splitLines(text)) {
        const bool added = line.starts_with("user_pref(\"mail.account.account3.") ||
                           line.starts_with("user_pref(\"mail.identity.id2.") ||
                           line.starts_with("user_pref(\"mail.server.server3.") ||
                           line.starts_with("user_pref(\"mail.smtpserver.smtp2.");
        result.append(line).append(added ? "\r\n" : lineEnd);
    }
    return result;
}

TEST_F(ThunderbirdWriterTest, NewAccountBesideAnotherKeepsEveryOldLineAndItsServers) {
    // Thunderbird reads LF, CR LF and a lone CR as line ends, mixed as they come.
    const std::string lastKeyLine = "user_pref(\"mail.account.lastKey\", 2);";
    const std::string lastKeyAfter = "user_pref(\"mail.account.lastKey\", 3);";
    const std::string crlf = withLineEnds(kOneAccountProfile, "\r\n");
    const std::string loneCrAfterLastKey = replaced(crlf, {{lastKeyLine + "\r\n", lastKeyLine + "\r"}});
    const struct {
        const char* name;
        std::string prefs;
        std::string expected;
    } cases[] = {
        {"CR LF", crlf, withNewLinesInCrLf(kAddedToOneAccountProfile, "\r\n")},
        {"LF", kOneAccountProfile, withNewLinesInCrLf(kAddedToOneAccountProfile, "\n")},
        {"CR only", withLineEnds(kOneAccountProfile, "\r"), withNewLinesInCrLf(kAddedToOneAccountProfile, "\r")},
        {"a lone CR in a CR LF file", loneCrAfterLastKey,
         replaced(withNewLinesInCrLf(kAddedToOneAccountProfile, "\r\n"), {{lastKeyAfter + "\r\n", lastKeyAfter + "\r"}})},
        {"no line end after the last line", crlf.substr(0, crlf.size() - 2),
         withNewLinesInCrLf(kAddedToOneAccountProfile.substr(0, kAddedToOneAccountProfile.size() - 1), "\r\n")
             .substr(0, withNewLinesInCrLf(kAddedToOneAccountProfile, "\r\n").size() - 2)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        seedProfile(c.prefs);
        ASSERT_EQ(configure("ann@example.com", "Ann Example"), OutcomeConfigured);
        EXPECT_EQ(prefsBytes(), c.expected);
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
    seedProfile(withLineEnds(kOneAccountProfile + filler, "\r\n"));
    ASSERT_EQ(configure("ann@example.com", "Ann Example"), OutcomeConfigured);
    EXPECT_TRUE(prefsBytes() == withLineEnds(kAddedToOneAccountProfile + filler, "\r\n"));
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
        seedProfile(withLineEnds(c.prefs, "\r\n"));
        ASSERT_EQ(configure("ann@example.com", "Ann Example", c.flags), OutcomeConfigured);
        const std::string text = prefsText();
        for (const auto& line : c.expectedLines) EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
        for (const auto& line : c.absentLines) EXPECT_EQ(text.find(line), std::string::npos) << line << "\n" << text;
        EXPECT_FALSE(text.ends_with("\n\n")) << "no empty line is added at the end of a copy";
    }
}

TEST_F(ThunderbirdWriterTest, IndentedStatementsAreEditedInPlace) {
    const std::string indented = "  user_pref(\"mail.account.account1.server\", \"server1\");\r\n"
                                 "\tuser_pref(\"mail.accountmanager.accounts\", \"account1\");\r\n";
    seedProfile(indented);
    ASSERT_EQ(configure("ann@example.com", "Ann Example"), OutcomeConfigured);
    const std::string text = prefsText();
    EXPECT_EQ(text.rfind("user_pref(\"mail.account.account2.identities\", \"id1\");\n"
                         "user_pref(\"mail.account.account2.server\", \"server2\");\n"
                         "  user_pref(\"mail.account.account1.server\", \"server1\");\n"
                         "\tuser_pref(\"mail.accountmanager.accounts\", \"account1,account2\");\n"
                         "user_pref(\"mail.identity.id1.fullName\", \"Ann Example\");\n",
                         0),
              0u)
        << text;
}

struct InPlaceCase {
    const char* name;
    std::string prefs;  // LF ends; the test gives them CR LF
    const char* address;
    std::vector<std::string> fragments;  // each found in the result, in this order
    std::vector<std::string> absent;
};

// A small profile: account1 with identity id1 (old@example.test) on server1
// and smtp1, Local Folders on server2.
const std::string kSmallProfile = linesOf({
    R"(user_pref("mail.account.account1.identities", "id1");)",
    R"(user_pref("mail.account.account1.server", "server1");)",
    R"(user_pref("mail.account.account2.server", "server2");)",
    R"(user_pref("mail.accountmanager.accounts", "account1,account2");)",
    R"(user_pref("mail.accountmanager.defaultaccount", "account1");)",
    R"(user_pref("mail.identity.id1.smtpServer", "smtp1");)",
    R"(user_pref("mail.identity.id1.useremail", "old@example.test");)",
    R"(user_pref("mail.server.server1.userName", "old@example.test");)",
    R"(user_pref("mail.server.server2.type", "none");)",
    R"(user_pref("mail.smtpservers", "smtp1");)",
});

TEST_F(ThunderbirdWriterTest, StatementsAreEditedInPlaceAndCommentsAreNotPreferences) {
    const std::string disabled = "/* disabled by me:\nuser_pref(\"mail.account.account9.server\", \"server9\");\n"
                                 "user_pref(\"mail.identity.id9.useremail\", \"ann@example.com\");\n*/\n";
    const std::vector<InPlaceCase> cases = {
        {"a second statement and a trailing comment stay on the edited line",
         replaced(kSmallProfile,
                  {{R"(user_pref("mail.smtpservers", "smtp1");)",
                    R"(user_pref("mail.smtpservers", "smtp1"); user_pref("z.same.line", 5);)"},
                   {R"("account1,account2");)", R"("account1,account2"); // keep this note)"}}),
         "ann@example.com",
         {"user_pref(\"mail.accountmanager.accounts\", \"account1,account2,account3\"); // keep this note\n",
          "user_pref(\"mail.smtpservers\", \"smtp1,smtp2\"); user_pref(\"z.same.line\", 5);\n"},
         {}},
        // The new account's lines go after the comment, and what is inside it
        // neither counts (account9, id9) nor is found.
        {"a comment before the first statement", "// Mozilla User Preferences\n" + disabled + kSmallProfile,
         "ann@example.com",
         {"// Mozilla User Preferences\n" + disabled +
              "user_pref(\"mail.account.account3.identities\", \"id2\");\n"
              "user_pref(\"mail.account.account3.server\", \"server3\");\n"
              "user_pref(\"mail.account.account1.identities\", \"id1\");\n"},
         {"account10", "id10"}},
        {"a statement after // or inside /* */ is not edited",
         replaced(kSmallProfile,
                  {{R"(user_pref("mail.smtpservers", "smtp1");)",
                    "// user_pref(\"mail.smtpservers\", \"smtp7\");\nuser_pref(\"mail.smtpservers\", \"smtp1\"); "
                    "/* user_pref(\"mail.accountmanager.accounts\", \"account1\"); */"}}),
         "ann@example.com",
         {"// user_pref(\"mail.smtpservers\", \"smtp7\");\n"
          "user_pref(\"mail.smtpservers\", \"smtp1,smtp2\"); /* user_pref(\"mail.accountmanager.accounts\", "
          "\"account1\"); */\n"},
         {}},
        {"a statement Thunderbird skips is not found either",
         kSmallProfile + "user_pref(\"mail.identity.id5.useremail\", \"ann@example.com\")\n"
                         "user_pref(\"mail.account.account5.identities\", \"id5\");\n",
         "ann@example.com",
         {"user_pref(\"mail.account.account3.identities\", \"id2\");\n",
          "user_pref(\"mail.identity.id5.useremail\", \"ann@example.com\")\n"
          "user_pref(\"mail.account.account5.identities\", \"id5\");\n"},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        seedProfile(withLineEnds(c.prefs, "\r\n"));
        const ConfigOutcome outcome = configure(c.address, "Ann Example");
        EXPECT_EQ(outcome, OutcomeConfigured);
        if (outcome != OutcomeConfigured) continue;
        const std::string text = prefsText();
        std::size_t from = 0;
        for (const auto& fragment : c.fragments) {
            const auto at = text.find(fragment, from);
            EXPECT_NE(at, std::string::npos) << fragment << "\n---\n" << text;
            if (at != std::string::npos) from = at + fragment.size();
        }
        for (const auto& fragment : c.absent) EXPECT_EQ(text.find(fragment), std::string::npos) << fragment;
    }
}

TEST_F(ThunderbirdWriterTest, AnAliasInAnotherAddresssAccountIsLeftAlone) {
    // account1 belongs to old@example.test; ann@example.com is only its alias id2.
    const std::string prefs = withLineEnds(
        replaced(kSmallProfile, {{R"("mail.account.account1.identities", "id1")",
                                  R"("mail.account.account1.identities", "id1,id2")"},
                                 {R"(user_pref("mail.identity.id1.useremail", "old@example.test");)",
                                  "user_pref(\"mail.identity.id1.useremail\", \"old@example.test\");\n"
                                  "user_pref(\"mail.identity.id2.useremail\", \"ann@example.com\");"}}),
        "\r\n");
    for (bool overwrite : {false, true}) {
        SCOPED_TRACE(overwrite ? "-u" : "without -u");
        seedProfile(prefs);
        ASSERT_EQ(configure("ann@example.com", "Ann Example", {.overwriteExisting = overwrite}), OutcomeConfigured);
        const std::string text = prefsText();
        EXPECT_NE(logText().rfind("ann@example.com account ... not found. Creating new account."), std::string::npos);
        for (const char* kept : {R"(user_pref("mail.server.server1.userName", "old@example.test");)",
                                 R"(user_pref("mail.identity.id2.useremail", "ann@example.com");)",
                                 R"(user_pref("mail.account.account1.identities", "id1,id2");)"}) {
            EXPECT_NE(text.find(kept), std::string::npos) << kept;
        }
        EXPECT_NE(text.find(R"(user_pref("mail.account.account3.identities", "id3");)"), std::string::npos) << text;
        EXPECT_NE(text.find(R"(user_pref("mail.server.server3.userName", "ann@example.com");)"), std::string::npos);
        EXPECT_EQ(text.find("mail.server.server1.hostname"), std::string::npos) << "server1 untouched";
    }
    // Now the address has an account of its own, and that is the one found.
    EXPECT_EQ(configure("ann@example.com", "Ann Example"), OutcomeAccountExists);
}

// Folders of the account's own server, as Thunderbird names them, after an
// account set up without SSL (on the IMAP host) is reset.
const std::string kFoldersProfile = withHosts(linesOf({
    R"(user_pref("mail.account.account1.identities", "id1");)",
    R"(user_pref("mail.account.account1.server", "server1");)",
    R"(user_pref("mail.account.account2.identities", "id2,id3");)",
    R"(user_pref("mail.account.account2.server", "server2");)",
    R"(user_pref("mail.accountmanager.accounts", "account1,account2");)",
    R"(user_pref("mail.identity.id1.archive_folder", "imap://ann%40example.com@$IMAP/Archives");)",
    R"(user_pref("mail.identity.id1.draft_folder", "imap://ann%40example.com@$IMAP/Drafts");)",
    R"(user_pref("mail.identity.id1.fcc_folder", "mailbox://nobody@Local%20Folders/Sent");)",
    R"(user_pref("mail.identity.id1.smtpServer", "smtp1");)",
    R"(user_pref("mail.identity.id1.useremail", "ann@example.com");)",
    R"(user_pref("mail.identity.id2.draft_folder", "imap://bob%40example.com@$IMAP/Drafts");)",
    R"(user_pref("mail.identity.id2.useremail", "bob@example.com");)",
    R"(user_pref("mail.identity.id3.fcc_folder", "imap://ann%40example.com@$IMAP/Sent");)",
    R"(user_pref("mail.server.server1.hostname", "$IMAP");)",
    R"(user_pref("mail.server.server1.spamActionTargetFolder", "imap://ann%40example.com@$IMAP/Junk");)",
    R"(user_pref("mail.server.server1.type", "imap");)",
    R"(user_pref("mail.server.server1.userName", "ann@example.com");)",
    R"(user_pref("mail.server.server2.hostname", "$IMAP");)",
    R"(user_pref("mail.server.server2.userName", "bob@example.com");)",
}));

TEST_F(ThunderbirdWriterTest, ResetMovesTheFoldersOfTheAccountsServerWithIt) {
    const struct {
        const char* name;
        const char* address;
        bool useSsl;
        const char* server;  // the server's URI after the reset
    } cases[] = {
        {"the host changes (SSL on)", "ann@example.com", true, "imap://ann%40example.com@$SECURE"},
        {"the user name changes (the address in capitals)", "ANN@Example.com", false,
         "imap://ANN%40Example.com@$IMAP"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        seedProfile(withLineEnds(kFoldersProfile, "\r\n"));
        ASSERT_EQ(configure(c.address, "Ann", {.overwriteExisting = true, .useSsl = c.useSsl}), OutcomeConfigured);
        const std::string server = withHosts(c.server);
        const std::string text = prefsText();
        for (const std::string& moved : {"mail.identity.id1.archive_folder\", \"" + server + "/Archives\"",
                                        "mail.identity.id1.draft_folder\", \"" + server + "/Drafts\"",
                                        "mail.identity.id3.fcc_folder\", \"" + server + "/Sent\"",
                                        "mail.server.server1.spamActionTargetFolder\", \"" + server + "/Junk\""}) {
            EXPECT_NE(text.find(moved), std::string::npos) << moved << "\n" << text;
        }
        // Local Folders and the other account's server stay where they are.
        for (const char* kept : {R"("mailbox://nobody@Local%20Folders/Sent")", "imap://bob%40example.com@"}) {
            EXPECT_NE(text.find(kept), std::string::npos) << kept;
        }
        // The log lists the identity's folders as they now stand.
        EXPECT_NE(logText().rfind("user_pref(\"mail.identity.id1.draft_folder\", \"" + server +
                                  "/Drafts\");\nuser_pref(\"mail.identity.id1.fcc_folder\", "
                                  "\"mailbox://nobody@Local%20Folders/Sent\");\n"),
                  std::string::npos)
            << logText();
    }
}

// Identity id1 (the address, in other letters) belongs to account3, while
// account1's identity id10 starts with the same text. Its drafts are on its
// own server, as Thunderbird names it by the server's user name and host.
const std::string kResetProfile = linesOf({
    R"(user_pref("mail.account.account1.identities", "id10");)",
    R"(user_pref("mail.account.account1.server", "server1");)",
    R"(user_pref("mail.account.account3.identities", "id1");)",
    R"(user_pref("mail.account.account3.server", "server3");)",
    R"(user_pref("mail.accountmanager.accounts", "account1,account3");)",
    R"(user_pref("mail.accountmanager.defaultaccount", "account1");)",
    R"(user_pref("mail.identity.id1.draft_folder", "imap://ann@imap.old.example/Drafts");)",
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
    seedProfile(withLineEnds(kResetProfile, "\r\n"));
    ASSERT_EQ(configure("ann@example.com", "Ann Example", {.overwriteExisting = true}), OutcomeConfigured);
    EXPECT_EQ(prefsText(),
              withHosts(linesOf({
                  R"(user_pref("mail.account.account1.identities", "id10");)",
                  R"(user_pref("mail.account.account1.server", "server1");)",
                  R"(user_pref("mail.account.account3.identities", "id1");)",
                  R"(user_pref("mail.account.account3.server", "server3");)",
                  R"(user_pref("mail.accountmanager.accounts", "account1,account3");)",
                  R"(user_pref("mail.accountmanager.defaultaccount", "account1");)",
                  R"(user_pref("mail.identity.id1.draft_folder", "imap://ann%40example.com@$SECURE/Drafts");)",
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
    seedProfile(withLineEnds(prefs, "\r\n"));
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
