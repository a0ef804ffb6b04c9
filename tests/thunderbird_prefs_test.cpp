// Reading prefs.js: the numbering, the address search and the pieces of a
// user_pref line.
#include <gtest/gtest.h>

#include <string>

#include "clients/thunderbird/pref_file.h"
#include "clients/thunderbird/prefs_reader.h"

namespace tw::thunderbird {
namespace {

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
        {"settings only", "user_pref(\"mail.ui-rdf.version\", 61);\n// mail.account.lastKey\n", true, {1, 1, 1, 1}},
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
        {"an identity naming a server beyond the list",
         "user_pref(\"mail.account.account1.server\", \"server1\");\n"
         "user_pref(\"mail.smtpservers\", \"smtp1\");\n"
         "user_pref(\"mail.identity.id1.smtpServer\", \"smtp9\");\n",
         false,
         {2, 2, 2, 10}},
        {"numbers named in lists and by accounts, without lines of their own",
         "user_pref(\"mail.account.account1.identities\", \"id1,id6\");\n"
         "user_pref(\"mail.account.account1.server\", \"server4\");\n"
         "user_pref(\"mail.accountmanager.accounts\", \"account1,account9\");\n",
         false,
         {10, 5, 7, 1}},
        {"number text without digits counts as 0", "user_pref(\"mail.account.accountX.server\", \"s\");\n", false,
         {1, 1, 1, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PrefsReader reader(c.prefs);
        EXPECT_EQ(reader.hasNoAccounts(), c.noAccounts);
        EXPECT_EQ(reader.nextAccountNumber(), c.next.account);
        EXPECT_EQ(reader.nextServerNumber(), c.next.server);
        EXPECT_EQ(reader.nextIdentityNumber(), c.next.identity);
        EXPECT_EQ(reader.nextOutgoingServerNumber(), c.next.smtp);
    }
}

TEST(ThunderbirdPrefsReader, FindsIdentitiesAndTheirAccounts) {
    const PrefsReader reader(
        "user_pref(\"mail.account.account1.identities\", \"id10,id2\");\n"
        "user_pref(\"mail.account.account2.identities\", \"id3, id1\");\n"
        "user_pref(\"mail.identity.id10.useremail\", \"bob.ann@example.com\");\n"
        "user_pref(\"mail.identity.id4.useremail\", \"Ann@Example.com\");\n"
        "user_pref(\"mail.identity.id1.useremail\", \"ann@example.com\");\n");
    EXPECT_EQ(reader.findIdentityByAddress("ANN@example.COM").value_or("none"), "id4") << "the first, any case";
    EXPECT_EQ(reader.findIdentityByAddress("nn@example.com").value_or("none"), "none") << "whole values only";
    EXPECT_EQ(reader.findIdentityByAddress("example.com").value_or("none"), "none");
    EXPECT_EQ(reader.findAccountOfIdentity("id1").value_or("none"), "account2") << "not account1's id10";
    EXPECT_EQ(reader.findAccountOfIdentity("id2").value_or("none"), "account1");
    EXPECT_EQ(reader.findAccountOfIdentity("id4").value_or("none"), "none");
}

TEST(ThunderbirdPrefsReader, LocalFoldersForCopies) {
    const PrefsReader none("user_pref(\"mail.identity.id1.fcc_folder\", \"imap://a%40b@h/Sent\");\n");
    EXPECT_TRUE(none.usesLocalFoldersForCopies(1)) << "the profile's first identity";
    EXPECT_FALSE(none.usesLocalFoldersForCopies(2));
    for (const char* key : {"draft_folder", "fcc_folder"}) {
        const std::string line =
            std::string("user_pref(\"mail.identity.id1.") + key + "\", \"mailbox://nobody@Local%20Folders/X\");";
        EXPECT_TRUE(PrefsReader(line).usesLocalFoldersForCopies(2)) << key;
    }
}

TEST(ThunderbirdPrefFile, LinesAndValues) {
    EXPECT_EQ(splitLines("a\r\nb\n\nc"), (std::vector<std::string_view>{"a", "b", "", "c"}));
    EXPECT_TRUE(splitLines("").empty());

    const auto quoted = parsePrefLine(R"(user_pref("mail.identity.id1.fullName", "Ann \"Q\"");)");
    ASSERT_TRUE(quoted.has_value());
    EXPECT_EQ(quoted->key, "mail.identity.id1.fullName");
    EXPECT_EQ(quoted->value, R"(Ann \"Q\")");
    EXPECT_TRUE(quoted->quoted);
    const auto bare = parsePrefLine("  user_pref(\"mail.account.lastKey\" ,  12 );");
    ASSERT_TRUE(bare.has_value());
    EXPECT_EQ(bare->value, "12");
    EXPECT_FALSE(bare->quoted);
    EXPECT_FALSE(parsePrefLine("// user_pref(\"a\", 1);").has_value());
    EXPECT_FALSE(parsePrefLine("user_pref(\"a\", \"unterminated);").has_value());

    EXPECT_EQ(escapePrefString(R"(a\b"c)"), R"(a\\b\"c)");
    EXPECT_EQ(encodeUriUserName("ann+tag.x_y-z*@example.com"), "ann%2Btag.x_y-z*%40example.com");
    EXPECT_EQ(encodeUriUserName("zo\xC3\xAB"), "zo%C3%AB");
    EXPECT_EQ(leadingNumber("12.server"), 12);
    EXPECT_EQ(leadingNumber("x1"), 0);
    EXPECT_EQ(leadingNumber("99999999999999999999999"), 1'000'000'000'000LL);
}

}  // namespace
}  // namespace tw::thunderbird
