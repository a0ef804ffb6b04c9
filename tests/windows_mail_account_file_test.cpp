// The Windows Mail account file in memory: the bytes of a new file, element
// text, the address test and the update's line rules.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "clients/outlook_express_winmail/windows_mail_account_file.h"
#include "tests/support/windows_mail_fixture.h"

namespace tw::test {
namespace {

using windows_mail::AccountFileSettings;

AccountFileSettings annSettings(bool useSsl = true) { return {u"ann@example.com", u"Ann Example", useSsl}; }

std::string shownUpdate(const std::string& old, bool useSsl = true) {
    const auto updated = windows_mail::updatedAccountFile(old, annSettings(useSsl));
    return updated ? shownFile(*updated) : "(not an account file)";
}

TEST(WindowsMailAccountFile, NewFileBytesWithAndWithoutSsl) {
    for (bool useSsl : {true, false}) {
        SCOPED_TRACE(useSsl ? "SSL" : "no SSL");
        const std::string bytes = windows_mail::newAccountFile(annSettings(useSsl));
        EXPECT_EQ(shownFile(bytes), newAccountText("ann@example.com", "Ann Example", useSsl));
        EXPECT_EQ(bytes.substr(0, 8), std::string("\xFF\xFE\x3C\x00\x3F\x00\x78\x00", 8));
        const std::string end = utf16le(u"</MessageAccount>\r\n");
        ASSERT_GT(bytes.size(), end.size());
        EXPECT_EQ(bytes.substr(bytes.size() - end.size()), end);
    }
}

TEST(WindowsMailAccountFile, ElementTextIsEscapedAndWidenedThroughTheCodePage) {
    struct Case {
        std::string ansi;
        std::optional<std::u16string> text;
    };
    const Case cases[] = {
        {"ann@example.com", u"ann@example.com"},
        {"", u""},
        {"Tom & Jerry <tj@example.com> \"TJ\"", u"Tom &amp; Jerry &lt;tj@example.com&gt; \"TJ\""},
        {"&amp;", u"&amp;amp;"},
        // Code page 1252, not zero-extended bytes: 0x80 is the euro sign, 0x8C
        // the OE ligature; 0x81, undefined there, is the control character
        // Windows maps it to.
        {"Zo\xEB \x80 \x8C \x81", u"Zo\u00EB \u20AC \u0152 \u0081"},
        {"tab\there", u"tab\there"},
        // Characters XML cannot hold, line breaks among them.
        {"two\r\nlines", std::nullopt},
        {"bell\x07", std::nullopt},
        {std::string("nul\0", 4), std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(windows_mail::elementText(c.ansi), c.text) << c.ansi;
    }
}

TEST(WindowsMailAccountFile, OnlyTheAddressElementOfAnAccountFileMatches) {
    const std::string ann = windows_mail::newAccountFile(annSettings());
    const std::string other = windows_mail::newAccountFile({u"bob@example.com", u"ann@example.com", true});
    const std::u16string addressLine = u"<SMTP_Email_Address type=\"SZ\">ann@example.com</SMTP_Email_Address>";
    std::string noBom = ann.substr(2);
    std::string lfOnly = accountFileOf({u"<MessageAccount>\n" + addressLine + u"\n</MessageAccount>"});
    std::string crOnly = accountFileOf({u"<MessageAccount>\r" + addressLine + u"\r</MessageAccount>"});
    const std::string cut = accountFileOf({u"<MessageAccount>", u"    <SMTP_Email_Address type=\"SZ\">ann@exa"});
    struct Case {
        const char* what;
        std::string bytes;
        std::u16string address;
        bool matches;
    };
    const Case cases[] = {
        {"the file of the address", ann, u"ann@example.com", true},
        {"another letter case", ann, u"Ann@example.com", false},
        {"the address in other elements only", other, u"ann@example.com", false},
        {"a longer address ending in it", windows_mail::newAccountFile({u"joann@example.com", u"J", true}),
         u"ann@example.com", false},
        {"escaped text, as written", windows_mail::newAccountFile({u"a&amp;b@example.com", u"A", true}),
         u"a&amp;b@example.com", true},
        {"a last line without its end", ann.substr(0, ann.size() - 4 - 34 - 4), u"ann@example.com", true},
        {"LF line ends", lfOnly, u"ann@example.com", true},
        {"lone CR line ends", crOnly, u"ann@example.com", true},
        {"no byte-order mark", noBom, u"ann@example.com", false},
        {"big-endian mark", "\xFE\xFF" + noBom, u"ann@example.com", false},
        {"an odd length", ann + "\n", u"ann@example.com", false},
        {"cut in the address line", cut, u"ann@example.com", false},
        {"8-bit text", "<SMTP_Email_Address type=\"SZ\">ann@example.com</SMTP_Email_Address>\r\n",
         u"ann@example.com", false},
        {"binary", std::string("\xFF\xFE\x00\x00\xFF\xFF\x0D\x00", 8), u"ann@example.com", false},
        {"empty", "", u"ann@example.com", false},
        {"the mark alone", "\xFF\xFE", u"ann@example.com", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(windows_mail::accountFileHasAddress(c.bytes, c.address), c.matches) << c.what;
    }
}

TEST(WindowsMailAccountFile, UpdatingAnImapAccountReplacesOurElementsAndReindentsTheRest) {
    const std::string crlf = imapAccount();
    EXPECT_EQ(shownUpdate(crlf), imapAccountUpdated());
    // The same from LF or lone CR line ends, and from a file that lacks its last line end.
    std::string lf;
    std::string cr;
    for (std::size_t i = 0; i < crlf.size(); i += 2) {
        if (crlf.compare(i, 2, std::string("\r\0", 2)) != 0) lf += crlf.substr(i, 2);
        if (crlf.compare(i, 2, std::string("\n\0", 2)) != 0) cr += crlf.substr(i, 2);
    }
    EXPECT_EQ(shownUpdate(lf), imapAccountUpdated());
    EXPECT_EQ(shownUpdate(cr), imapAccountUpdated());
    EXPECT_EQ(shownUpdate(crlf.substr(0, crlf.size() - 4)), imapAccountUpdated());
}

TEST(WindowsMailAccountFile, UpdatingAPop3AccountKeepsItsLinesAndAppendsTheProvidersPop3Set) {
    for (bool useSsl : {true, false}) {
        SCOPED_TRACE(useSsl ? "SSL" : "no SSL");
        EXPECT_EQ(shownUpdate(popAccount(), useSsl), popAccountUpdated(useSsl));
    }
}

TEST(WindowsMailAccountFile, AnAccountWithoutDisplayNameGetsTheFullAppendTable) {
    // Nothing but the address: every appended element, in table order.
    const std::string bare = accountFileOf({
        u"<MessageAccount>",
        u"<SMTP_Email_Address type=\"SZ\">ann@example.com</SMTP_Email_Address>",
        u"</MessageAccount>",
    });
    EXPECT_EQ(shownUpdate(bare, false), withMailHosts(
        "<BOM><MessageAccount>\n"
        "    <SMTP_Email_Address type=\"SZ\">ann@example.com</SMTP_Email_Address>\n"
        "    <Account_Name type=\"SZ\">ann@example.com</Account_Name>\n"
        "    <Connection_Type type=\"DWORD\">00000003</Connection_Type>\n"
        "    <POP3_Server type=\"SZ\">$POP</POP3_Server>\n"
        "    <POP3_User_Name type=\"SZ\">ann@example.com</POP3_User_Name>\n"
        "    <POP3_Use_Sicily type=\"DWORD\">00000000</POP3_Use_Sicily>\n"
        "    <POP3_Port type=\"DWORD\">0000006e</POP3_Port>\n"
        "    <POP3_Secure_Connection type=\"DWORD\">00000000</POP3_Secure_Connection>\n"
        "    <POP3_Timeout type=\"DWORD\">0000003c</POP3_Timeout>\n"
        "    <Leave_Mail_On_Server type=\"DWORD\">00000000</Leave_Mail_On_Server>\n"
        "    <SMTP_Server type=\"SZ\">$SMTP</SMTP_Server>\n"
        "    <SMTP_Use_Sicily type=\"DWORD\">00000002</SMTP_Use_Sicily>\n"
        "    <SMTP_Port type=\"DWORD\">0000024b</SMTP_Port>\n"
        "    <SMTP_Secure_Connection type=\"DWORD\">00000000</SMTP_Secure_Connection>\n"
        "    <SMTP_Timeout type=\"DWORD\">0000003c</SMTP_Timeout>\n"
        "    <SMTP_Display_Name type=\"SZ\">Ann Example</SMTP_Display_Name>\n"
        "</MessageAccount>\n"));
}

TEST(WindowsMailAccountFile, ElementsOverSeveralLines) {
    const std::string file = accountFileOf({
        u"<?xml version=\"1.0\" encoding=\"utf-16\" ?>",
        u"<MessageAccount>",
        // One of ours: replaced whole, so no stray closing tag stays behind.
        u"    <SMTP_Display_Name type=\"SZ\">Ann",
        u"  Old</SMTP_Display_Name>",
        // Not ours: kept, its second line re-indented.
        u"    <Signature type=\"SZ\">Best",
        u"  regards</Signature>",
        // Never closed: the lines after it are not swallowed.
        u"    <SMTP_Email_Address type=\"SZ\">ann@",
        u"    <Server_ID type=\"SZ\">{1}</Server_ID>",
        u"</MessageAccount>",
    });
    const std::string shown = shownUpdate(file);
    EXPECT_EQ(shown.substr(0, shown.find("    <Account_Name")),
              "<BOM><?xml version=\"1.0\" encoding=\"utf-16\" ?>\n"
              "<MessageAccount>\n"
              "    <SMTP_Display_Name type=\"SZ\">Ann Example</SMTP_Display_Name>\n"
              "    <Signature type=\"SZ\">Best\n"
              "    regards</Signature>\n"
              "    <SMTP_Email_Address type=\"SZ\">ann@example.com</SMTP_Email_Address>\n"
              "    <Server_ID type=\"SZ\">{1}</Server_ID>\n");
    EXPECT_EQ(shown.substr(shown.size() - 18), "</MessageAccount>\n") << "the closing tag comes last, once";
}

TEST(WindowsMailAccountFile, OnlyAccountFilesAreUpdated) {
    for (const std::string& bytes : {std::string(), std::string("\xFF\xFE<", 3), imapAccount().substr(2)}) {
        EXPECT_EQ(windows_mail::updatedAccountFile(bytes, annSettings()), std::nullopt);
    }
}

}  // namespace
}  // namespace tw::test
