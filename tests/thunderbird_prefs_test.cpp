// Reading prefs.js as Thunderbird does: its statements, the places new lines
// may go, the numbering, the address search and the text pieces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clients/thunderbird/install_hash.h"
#include "clients/thunderbird/pref_file.h"
#include "clients/thunderbird/prefs_document.h"
#include "clients/thunderbird/prefs_reader.h"
#include "clients/thunderbird/prefs_rewrites.h"
#include "clients/thunderbird/prefs_source.h"
#include "clients/thunderbird/prefs_syntax.h"
#include "platform/files.h"
#include "platform/testing.h"

namespace tw::thunderbird {
namespace {

// The statements of a text, one "key=value" each, joined by " | ". Defaults
// are marked "default:", strings quoted.
std::string statementsOf(PrefsSource& source) {
    std::string seen;
    PrefsScanner scanner(source);
    for (PrefStatement statement; scanner.next(statement);) {
        if (!seen.empty()) seen += " | ";
        if (!statement.user) seen += "default:";
        seen.append(statement.key).append("=");
        if (statement.type == PrefType::String) {
            seen.append("'").append(statement.text).append("'");
        } else if (statement.type == PrefType::Boolean) {
            seen.append(statement.text);
        } else {
            seen += std::to_string(statement.number);
        }
    }
    return seen;
}

std::string statementsOf(std::string_view text) {
    PrefsSource source(text);
    return statementsOf(source);
}

// The text of the source with the edits, as the writer writes it.
std::string written(const PrefsEdits& edits, PrefsSource& source, const std::string& folder) {
    const std::string path = folder + "\\written.js";
    {
        platform::NewFile file;
        EXPECT_EQ(file.create(path), platform::kSuccess);
        PrefsOutput out(file);
        edits.write(source, out);
        EXPECT_EQ(out.finish(), platform::kSuccess);
    }
    std::string bytes;
    EXPECT_EQ(platform::readWholeFile(path, bytes), platform::kSuccess);
    return bytes;
}

struct SyntaxCase {
    const char* name;
    std::string text;
    const char* statements;
};

std::vector<SyntaxCase> syntaxCases() {
    return {
        {"line ends LF, CR LF and a lone CR", "user_pref(\"a\", 1);\nuser_pref(\"b\", 2);\r\nuser_pref(\"c\", 3);\r"
                                              "user_pref(\"d\", 4);",
         "a=1 | b=2 | c=3 | d=4"},
        {"two statements on a line, one over three lines",
         "user_pref(\"a\", 1); user_pref(\"b\", true);\nuser_pref(\n  \"c\",\n  false\n);", "a=1 | b=true | c=false"},
        {"comments of three kinds",
         "/* user_pref(\"a\", 1);\nuser_pref(\"b\", 2); */ user_pref(\"c\", 3); // user_pref(\"d\", 4);\n"
         "# user_pref(\"e\", 5);\nuser_pref(\"f\", /* inside */ 6);",
         "c=3 | f=6"},
        {"strings: quotes, escapes, raw line ends",
         "user_pref('a', 'it''s');user_pref(\"b\", 'say \"hi\"');user_pref(\"c\", \"x\\\"\\\\\\x41\\u00e9\\ud83d\\ude00\");"
         "user_pref(\"d\", \"two\nlines\");user_pref(\"e\", \"/* not a comment */ // nor this\");",
         "b='say \"hi\"' | c='x\"\\A\xC3\xA9\xF0\x9F\x98\x80' | d='two\nlines' | e='/* not a comment */ // nor this'"},
        {"numbers and their limits",
         "user_pref(\"a\", -5);user_pref(\"b\", + 7);user_pref(\"c\", 2147483647);user_pref(\"d\", 2147483648);"
         "user_pref(\"e\", -2147483648);user_pref(\"f\", 12ab);user_pref(\"g\", 1);",
         "a=-5 | b=7 | c=2147483647 | e=-2147483648 | g=1"},
        {"defaults", "pref(\"a\", 1);\nsticky_pref(\"b\", 2);\nlockPref(\"c\", 3);\nuser_pref(\"d\", 4);",
         "default:a=1 | default:b=2 | default:c=3 | d=4"},
        // After a statement it cannot read, Thunderbird skips to the next ";"
        // outside strings and comments: a missing ";" costs the next statement.
        {"a missing semicolon swallows the next statement",
         "user_pref(\"a\", 1)\nuser_pref(\"b\", 2);\nuser_pref(\"c\", 3);", "c=3"},
        {"recovery skips a semicolon in a string",
         "user_pref(\"a\" 1, \"x;y\");\nuser_pref(\"b\", 1, sticky);\nuser_pref(\"c\", 3);", "c=3"},
        {"unknown words, stray text and bad escapes",
         "user_prefs(\"a\", 1);\nuser_pref(\"b\", \"\\q\");\n} user_pref(\"c\", 3);\n@;\nuser_pref(\"d\", 4);", "d=4"},
        {"a byte order mark at the start", "\xEF\xBB\xBFuser_pref(\"a\", 1);\n\xEF\xBB\xBFuser_pref(\"b\", 2);\nuser_pref(\"c\", 3);",
         "a=1 | c=3"},
        {"a NUL ends the file", std::string("user_pref(\"a\", 1);\n") + '\0' + "user_pref(\"b\", 2);", "a=1"},
        {"an unterminated comment runs to the end", "user_pref(\"a\", 1);\n/* user_pref(\"b\", 2);", "a=1"},
    };
}

TEST(ThunderbirdPrefsSyntax, StatementsAsThunderbirdReadsThem) {
    for (const auto& c : syntaxCases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(statementsOf(c.text), c.statements);
    }
}

struct PlaceCase {
    const char* name;
    std::string text;
    // Each place as the text that follows it, "$" for the very end; "|" marks
    // a place after a last line without a line end.
    std::string beforeFirst;
    std::string afterA;  // after the statement of key "mail.a"
    std::string atEnd;
};

std::string shownPlace(const PrefsDocument& document, std::string_view text, std::size_t place) {
    std::string shown = place == text.size() ? "$" : std::string(text.substr(place));
    return document.needsLineBreak(place) ? "|" + shown : shown;
}

std::vector<PlaceCase> placeCases() {
    const std::string a = "user_pref(\"mail.a\", 1);";
    const std::string b = "user_pref(\"mail.b\", 2);";
    const std::string nul(1, '\0');
    return {
        {"plain lines", "// head\n" + a + "\n" + b + "\n", a + "\n" + b + "\n", b + "\n", "$"},
        {"lone CR ends", a + "\r" + b + "\r", a + "\r" + b + "\r", b + "\r", "$"},
        {"a second statement and a comment stay on the line", a + " " + b + " // note\nuser_pref(\"mail.c\", 3);",
         a + " " + b + " // note\nuser_pref(\"mail.c\", 3);", "user_pref(\"mail.c\", 3);", "|$"},
        {"never inside a comment",
         "/* disabled:\nuser_pref(\"mail.x\", 0);\n*/ " + a + " /* more\n*/\n" + b + "\n",
         "/* disabled:\nuser_pref(\"mail.x\", 0);\n*/ " + a + " /* more\n*/\n" + b + "\n", b + "\n", "$"},
        {"never inside a statement over several lines", "user_pref(\"mail.a\",\n1);\nuser_pref(\"mail.b\",\n2);",
         "user_pref(\"mail.a\",\n1);\nuser_pref(\"mail.b\",\n2);", "user_pref(\"mail.b\",\n2);", "|$"},
        {"a last line comment without an end", a + " // last", a + " // last", "|$", "|$"},
        {"a file ending in an open comment", a + "\n/* open\n" + b, a + "\n/* open\n" + b, "/* open\n" + b,
         "/* open\n" + b},
        {"a file ending in a statement Thunderbird cannot read", a + "\nuser_pref(\"mail.b\", 2)",
         a + "\nuser_pref(\"mail.b\", 2)", "user_pref(\"mail.b\", 2)", "user_pref(\"mail.b\", 2)"},
        {"before a NUL, where Thunderbird stops", a + "\n" + nul + "junk", a + "\n" + nul + "junk", nul + "junk",
         nul + "junk"},
        {"no statements", "// only a comment\n", "$", "", "$"},
        {"after a byte order mark", "\xEF\xBB\xBF" + a, a, "|$", "|$"},
    };
}

TEST(ThunderbirdPrefsSyntax, PlacesForNewLines) {
    for (const auto& c : placeCases()) {
        SCOPED_TRACE(c.name);
        const PrefsDocument document(c.text);
        EXPECT_EQ(shownPlace(document, c.text, document.beforeFirstStatement()), c.beforeFirst);
        for (const auto& entry : document.entries()) {
            if (document.key(entry) == "mail.a") {
                EXPECT_EQ(shownPlace(document, c.text, document.after(entry)), c.afterA);
            }
        }
        EXPECT_EQ(shownPlace(document, c.text, document.atEnd()), c.atEnd);
    }
}

// A prefs.js is read through a window that moves through the file; where the
// window's edges fall changes nothing, down to pieces of a single byte.
TEST(ThunderbirdPrefsSyntax, ReadingAFileInPiecesChangesNothing) {
    platform::testing::TempFolder temp;
    const std::string path = temp.path() + "\\prefs.js";
    std::vector<std::string> texts;
    for (const auto& c : syntaxCases()) texts.push_back(c.text);
    for (const auto& c : placeCases()) texts.push_back(c.text);
    texts.push_back("user_pref(\"mail.a\", \"" + std::string(100, 'x') + "\\\"" + std::string(100, 'y') +
                    "\"); /* " + std::string(300, '*') + " */\r\nuser_pref(\"mail.b\", 'z');");
    for (const auto& text : texts) {
        SCOPED_TRACE(text);
        ASSERT_EQ(platform::writeNewFile(path, text), platform::kSuccess);
        PrefsSource whole(text);
        const std::string expected = statementsOf(whole);
        const PrefsDocument wholeDocument(text);
        PrefsEdits wholeEdits(wholeDocument);
        for (const auto& entry : wholeDocument.entries()) wholeEdits.replace(entry, "R");
        wholeEdits.insert(wholeDocument.beforeFirstStatement(), "FIRST");
        wholeEdits.insert(wholeDocument.atEnd(), "LAST");
        const std::string expectedOutput = written(wholeEdits, whole, temp.path());
        for (std::size_t piece : {1, 2, 3, 7, 64}) {
            SCOPED_TRACE(piece);
            platform::FileReader file;
            ASSERT_EQ(file.open(path), platform::kSuccess);
            PrefsSource pieces(file, piece);
            EXPECT_EQ(statementsOf(pieces), expected);
            pieces.rewind();
            const PrefsDocument document(pieces);
            ASSERT_EQ(document.entries().size(), wholeDocument.entries().size());
            EXPECT_EQ(document.beforeFirstStatement(), wholeDocument.beforeFirstStatement());
            EXPECT_EQ(document.atEnd(), wholeDocument.atEnd());
            EXPECT_EQ(document.needsLineBreak(document.atEnd()), wholeDocument.needsLineBreak(wholeDocument.atEnd()));
            for (std::size_t i = 0; i < document.entries().size(); ++i) {
                EXPECT_EQ(document.key(document.entries()[i]), wholeDocument.key(wholeDocument.entries()[i]));
                EXPECT_EQ(document.value(document.entries()[i]), wholeDocument.value(wholeDocument.entries()[i]));
                EXPECT_EQ(document.after(document.entries()[i]), wholeDocument.after(wholeDocument.entries()[i]));
            }
            PrefsEdits edits(document);
            for (const auto& entry : document.entries()) edits.replace(entry, "R");
            edits.insert(document.beforeFirstStatement(), "FIRST");
            edits.insert(document.atEnd(), "LAST");
            EXPECT_EQ(written(edits, pieces, temp.path()), expectedOutput);
        }
    }
}

struct Numbers {
    long long account, server, identity, smtp;
};

struct NumberingCase {
    const char* name;
    const char* prefs;
    bool noAccounts;
    Numbers next;
};

TEST(ThunderbirdPrefsReader, Numbering) {
    const NumberingCase cases[] = {
        {"empty file", "", true, {1, 1, 1, 1}},
        {"settings only", "user_pref(\"mail.ui-rdf.version\", 61);\n// mail.account.account5.server\n", true,
         {1, 1, 1, 1}},
        {"account1 with server1",
         "user_pref(\"mail.account.account1.server\", \"server1\");\n"
         "user_pref(\"mail.server.server1.type\", \"none\");\n",
         false,
         {2, 2, 1, 1}},
        {"highest number, gaps never reused",
         "user_pref(\"mail.account.account1.server\", \"server1\");\n"
         "user_pref(\"mail.account.account7.server\", \"server2\");\n"
         "user_pref(\"mail.identity.id1.useremail\", \"a@b\");\n"
         "user_pref(\"mail.identity.id3.useremail\", \"c@d\");\n"
         "user_pref(\"mail.server.server2.type\", \"imap\");\n",
         false,
         {8, 3, 4, 1}},
        {"outgoing servers in keys, the list and identities",
         "user_pref(\"mail.account.account1.server\", \"server1\");\n"
         "user_pref(\"mail.smtpserver.smtp2.hostname\", \"h\");\n"
         "user_pref(\"mail.smtpservers\", \"smtp2,smtp5\");\n"
         "user_pref(\"mail.identity.id1.smtpServer\", \"smtp4\");\n",
         false,
         {2, 2, 2, 6}},
        {"numbers named in lists and by accounts, without statements of their own",
         "user_pref(\"mail.account.account1.identities\", \"id1,id6\");\n"
         "user_pref(\"mail.account.account1.server\", \"server4\");\n"
         "user_pref(\"mail.accountmanager.accounts\", \"account1,account9\");\n",
         false,
         {10, 5, 7, 1}},
        {"number text without digits counts as 0", "user_pref(\"mail.account.accountX.server\", \"s\");\n", false,
         {1, 1, 1, 1}},
        // A whole file on CR-only lines reads like any other.
        {"CR-only lines",
         "user_pref(\"mail.account.account1.server\", \"server1\");\ruser_pref(\"mail.account.account2.server\", "
         "\"server2\");\ruser_pref(\"mail.identity.id1.useremail\", \"a@b\");\r",
         false,
         {3, 3, 2, 1}},
        {"commented out and skipped statements do not count",
         "/* user_pref(\"mail.account.account8.server\", \"server8\"); */\n"
         "user_pref(\"mail.account.account1.server\", \"server1\")\nuser_pref(\"mail.identity.id5.useremail\", \"x\");\n",
         true,
         {1, 1, 1, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PrefsDocument document(c.prefs);
        const PrefsReader reader(document);
        EXPECT_EQ(reader.hasNoAccounts(), c.noAccounts);
        EXPECT_EQ(reader.nextAccountNumber(), c.next.account);
        EXPECT_EQ(reader.nextServerNumber(), c.next.server);
        EXPECT_EQ(reader.nextIdentityNumber(), c.next.identity);
        EXPECT_EQ(reader.nextOutgoingServerNumber(), c.next.smtp);
    }
}

TEST(ThunderbirdPrefsReader, FindsIdentitiesAndTheirAccounts) {
    const PrefsDocument document(
        "user_pref(\"mail.account.account1.identities\", \"id10,id2\");\n"
        "user_pref(\"mail.account.account2.identities\", \"id3, id1\");\n"
        "user_pref(\"mail.identity.id10.useremail\", \"bob.ann@example.com\");\n"
        "user_pref(\"mail.identity.id4.useremail\", \"Ann@Example.com\");\n"
        "user_pref(\"mail.identity.id1.useremail\", \"ann@example.com\");\n"
        "user_pref(\"mail.identity.id5.useremail\", \"ann@example.com\");\n"
        "user_pref(\"mail.identity.id5.useremail\", \"later@example.com\");\n"
        "user_pref(\"mail.identity.id6.useremail\", 'o\\'hara@example.com');\n");
    const PrefsReader reader(document);
    EXPECT_EQ(reader.identitiesWithAddress("ANN@example.COM"), (std::vector<std::string>{"id4", "id1"}))
        << "any case, in file order; id5's last value is another address";
    EXPECT_TRUE(reader.identitiesWithAddress("nn@example.com").empty()) << "whole values only";
    EXPECT_EQ(reader.identitiesWithAddress("O'Hara@example.com"), (std::vector<std::string>{"id6"}))
        << "compared as Thunderbird reads the value";
    EXPECT_EQ(reader.findAccountOfIdentity("id1").value_or("none"), "account2") << "not account1's id10";
    EXPECT_EQ(reader.findAccountOfIdentity("id2").value_or("none"), "account1");
    EXPECT_EQ(reader.findAccountOfIdentity("id4").value_or("none"), "none");

    // The remains of a deleted account that still lists the identity (no
    // server) give way to the account Thunderbird uses.
    const PrefsDocument withRemains(
        "user_pref(\"mail.account.account9.identities\", \"id1\");\n"
        "user_pref(\"mail.account.account2.identities\", \"id1\");\n"
        "user_pref(\"mail.account.account2.server\", \"server2\");\n");
    EXPECT_EQ(PrefsReader(withRemains).findAccountOfIdentity("id1").value_or("none"), "account2");
}

struct AliasCase {
    const char* name;
    const char* prefs;
    const char* identity;  // nullptr: no account of its own
    const char* account;
};

TEST(ThunderbirdPrefsReader, AnAliasInAnotherAddresssAccountIsNotThisAddresssAccount) {
    const std::string oldAccount = "user_pref(\"mail.account.account1.identities\", \"id1,id2\");\n"
                                   "user_pref(\"mail.account.account1.server\", \"server1\");\n"
                                   "user_pref(\"mail.identity.id1.useremail\", \"old@example.test\");\n"
                                   "user_pref(\"mail.identity.id2.useremail\", \"ann@example.com\");\n";
    const std::string alias = oldAccount + "user_pref(\"mail.server.server1.userName\", \"old@example.test\");\n";
    const std::string aliasAndOwn = alias +
                                    "user_pref(\"mail.account.account3.identities\", \"id3\");\n"
                                    "user_pref(\"mail.account.account3.server\", \"server3\");\n"
                                    "user_pref(\"mail.identity.id3.useremail\", \"ann@example.com\");\n";
    const std::string loginIsTheAlias = oldAccount + "user_pref(\"mail.server.server1.userName\", \"Ann@Example.com\");\n";
    const std::string firstIdentity = "user_pref(\"mail.account.account1.identities\", \"id2,id1\");\n"
                                      "user_pref(\"mail.account.account1.server\", \"server1\");\n"
                                      "user_pref(\"mail.identity.id2.useremail\", \"ann@example.com\");\n"
                                      "user_pref(\"mail.server.server1.userName\", \"ann\");\n";
    const std::string orphan = "user_pref(\"mail.identity.id9.useremail\", \"ann@example.com\");\n";
    const AliasCase cases[] = {
        {"an alias of another address's account", alias.c_str(), nullptr, nullptr},
        {"an alias without a user name on its server", oldAccount.c_str(), nullptr, nullptr},
        {"the alias passed over for the address's own account", aliasAndOwn.c_str(), "id3", "account3"},
        {"an alias the server logs in as", loginIsTheAlias.c_str(), "id2", "account1"},
        {"the account's first identity, whatever its login", firstIdentity.c_str(), "id2", "account1"},
        {"an identity no account uses", orphan.c_str(), "id9", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PrefsDocument document(c.prefs);
        const auto found = PrefsReader(document).findAccountForAddress("ann@example.com");
        if (c.identity == nullptr) {
            EXPECT_FALSE(found.has_value()) << found->identity;
            continue;
        }
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->identity, c.identity);
        EXPECT_EQ(found->account.value_or(""), c.account);
    }
}

TEST(ThunderbirdPrefsReader, LocalFoldersForCopies) {
    const PrefsDocument none("user_pref(\"mail.identity.id1.fcc_folder\", \"imap://a%40b@h/Sent\");\n");
    EXPECT_TRUE(PrefsReader(none).usesLocalFoldersForCopies(1)) << "the profile's first identity";
    EXPECT_FALSE(PrefsReader(none).usesLocalFoldersForCopies(2));
    for (const char* key : {"draft_folder", "fcc_folder"}) {
        const std::string line =
            std::string("user_pref(\"mail.identity.id1.") + key + "\", \"mailbox://nobody@Local%20Folders/X\");";
        const PrefsDocument document(line);
        EXPECT_TRUE(PrefsReader(document).usesLocalFoldersForCopies(2)) << key;
    }
}

TEST(ThunderbirdPrefsReader, FolderUrisFollowTheirServer) {
    const auto imap = serverLocation("imap", "ann@example.com", "imap.old.example");
    ASSERT_TRUE(imap.has_value());
    EXPECT_EQ(imap->scheme, "imap");
    EXPECT_EQ(serverLocation("pop3", "ann", "pop.example")->scheme, "mailbox") << "POP keeps its mail locally";
    EXPECT_FALSE(serverLocation("imap", std::nullopt, "h").has_value());
    EXPECT_FALSE(serverLocation("imap", "", "h").has_value());

    const std::string to = "imap://ANN%40example.com@mail.new.example";
    const struct {
        const char* uri;
        const char* moved;  // nullptr: stays
    } cases[] = {
        {"imap://ann%40example.com@imap.old.example/Drafts", "imap://ANN%40example.com@mail.new.example/Drafts"},
        {"IMAP://Ann%40Example.com@IMAP.old.example/INBOX/Sent%20Items",
         "imap://ANN%40example.com@mail.new.example/INBOX/Sent%20Items"},
        {"imap://ann@example.com@imap.old.example/Sent", "imap://ANN%40example.com@mail.new.example/Sent"},
        {"imap://ann%40example.com@imap.old.example", "imap://ANN%40example.com@mail.new.example"},
        {"mailbox://nobody@Local%20Folders/Drafts", nullptr},
        {"imap://bob%40example.com@imap.old.example/Drafts", nullptr},
        {"imap://ann%40example.com@imap.other.example/Drafts", nullptr},
        {"mailbox://ann%40example.com@imap.old.example/Drafts", nullptr},
        {"imap.old.example", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.uri);
        const auto moved = movedFolderUri(c.uri, *imap, to);
        if (c.moved == nullptr) {
            EXPECT_FALSE(moved.has_value()) << *moved;
        } else {
            EXPECT_EQ(moved.value_or("stayed"), c.moved);
        }
    }
}

TEST(ThunderbirdPrefFile, TextPieces) {
    EXPECT_EQ(splitLines("a\r\nb\n\nc\rd\r\r\ne"), (std::vector<std::string_view>{"a", "b", "", "c", "d", "", "e"}));
    EXPECT_TRUE(splitLines("").empty());
    EXPECT_EQ(escapePrefString("a\\b\"c\r\nd"), "a\\\\b\\\"c\\r\\nd");
    EXPECT_EQ(encodeUriUserName("ann+tag.x_y-z*@example.com"), "ann%2Btag.x_y-z*%40example.com");
    EXPECT_EQ(encodeUriUserName("zo\xC3\xAB"), "zo%C3%AB");
    EXPECT_EQ(decodeUri("ann%2btag%40x%4"), "ann+tag@x%4");
    EXPECT_EQ(leadingNumber("12.server"), 12);
    EXPECT_EQ(leadingNumber("x1"), 0);
    EXPECT_EQ(leadingNumber("99999999999999999999999"), 1'000'000'000'000LL);
}

// Values Thunderbird itself wrote: Debian's Thunderbird run from folders of
// each length class (hard-linked copies of its installation), and published
// values for Mozilla installations.
TEST(ThunderbirdInstallHash, MatchesThunderbirdsOwn) {
    const struct {
        const char* folder;
        const char* hash;
    } cases[] = {
        {"/tb", "9EE1A3F9BFE790A5"},             // 6 bytes
        {"/tmp/tbh", "AA88E0DC945B5B7B"},        // 16
        {"/tmp/tbhash/e", "615BC5BF8514A573"},   // 26
        {"/usr/lib/firefox", "4F96D1932A9F858E"},  // 32
        {"/usr/lib/thunderbird", "FDC34C9F024745EB"},
        {"/opt/firefox-nightly", "6BA5C87ECB35E12F"},
        {"C:\\Program Files\\Mozilla Firefox", "308046B0AF4A39CB"},  // 64
        {"/tmp/tbhash/a/Mozilla_Thunderbird_with_a_long_folder_name", "822E62BF56F77B85"},  // 114
        {"/tmp/tbhash/b/xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", "ACE70C8297B75DD1"},   // 128
        {"/tmp/tbhash/c/yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy", "1A128F54FD28505B"},  // 130
        {"/tmp/tbhash/d/Zo\xC3\xAB Thunderbird \xF0\x9F\x98\x80 install folder that is longer than sixty-four "
         "chars",
         "A27CAFA8EDEAD15E"},  // 168, with a letter outside ASCII and a surrogate pair
    };
    for (const auto& c : cases) {
        EXPECT_EQ(installHash(c.folder), c.hash) << c.folder;
    }
}

TEST(ThunderbirdInstallHash, TheFolderOfTheRegisteredProgram) {
    const struct {
        const char* appPath;
        const char* folder;
    } cases[] = {
        {"C:\\Program Files\\Mozilla Thunderbird\\thunderbird.exe", "C:\\Program Files\\Mozilla Thunderbird"},
        {"\"C:\\Program Files\\Mozilla Thunderbird\\thunderbird.exe\"", "C:\\Program Files\\Mozilla Thunderbird"},
        {"  \"C:\\Program Files (x86)\\Mozilla Thunderbird\\\\thunderbird.exe\" ",
         "C:\\Program Files (x86)\\Mozilla Thunderbird"},
        {"D:/Apps/Thunderbird/thunderbird.exe", "D:\\Apps\\Thunderbird"},
        {"C:\\thunderbird.exe", "C:\\"},
        {"thunderbird.exe", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(installFolderOf(c.appPath), c.folder) << c.appPath;
    }
    EXPECT_EQ(installFolderHash("\"C:\\Program Files\\Mozilla Firefox\\firefox.exe\""), "308046B0AF4A39CB");
    EXPECT_EQ(installFolderHash(""), "");
}

}  // namespace
}  // namespace tw::thunderbird
