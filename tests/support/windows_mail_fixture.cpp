#include "tests/support/windows_mail_fixture.h"

#include <cstdio>

#include "core/provider.h"

namespace tw::test {

std::string utf16le(std::u16string_view text) {
    std::string bytes;
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::string accountFileOf(std::initializer_list<std::u16string_view> lines) {
    std::string bytes = "\xFF\xFE";
    for (auto line : lines) bytes += utf16le(line) + utf16le(u"\r\n");
    return bytes;
}

std::string shownFile(std::string_view bytes) {
    std::string text;
    std::size_t i = 0;
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        text += "<BOM>";
        i = 2;
    }
    const auto unitAt = [&bytes](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(bytes[at]) |
                                     static_cast<unsigned char>(bytes[at + 1]) << 8);
    };
    for (; i + 1 < bytes.size(); i += 2) {
        const unsigned unit = unitAt(i);
        if (unit == '\r' && i + 3 < bytes.size() && unitAt(i + 2) == '\n') {
            text += '\n';
            i += 2;
        } else if (unit == '\r') {
            text += "<CR>";
        } else if (unit == '\n') {
            text += "<LF>";
        } else if (unit >= 0x20 && unit < 0x7F) {
            text += static_cast<char>(unit);
        } else {
            char code[16];
            std::snprintf(code, sizeof code, "<U+%04X>", unit);
            text += code;
        }
    }
    if (i < bytes.size()) text += "<odd byte>";
    return text;
}

std::string withMailHosts(std::string text) {
    for (const auto& [from, to] : {std::pair<std::string_view, std::string_view>{"$SECURE", SecureHost},
                                   {"$IMAP", ImapHost}, {"$SMTP", SmtpHost}, {"$POP", PopHost}}) {
        for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
            text.replace(at, from.size(), to);
        }
    }
    return text;
}

std::string newAccountText(std::string_view address, std::string_view displayName, bool useSsl) {
    const std::string a(address);
    const std::string in = useSsl ? "$SECURE" : "$IMAP";
    const std::string out = useSsl ? "$SECURE" : "$SMTP";
    const std::string secure = useSsl ? "00000001" : "00000000";
    return withMailHosts(
        "<BOM><?xml version=\"1.0\" encoding=\"utf-16\" ?>\n"
        "<MessageAccount>\n"
        "    <Account_Name type=\"SZ\">" + a + "</Account_Name>\n"
        "    <Connection_Type type=\"DWORD\">00000003</Connection_Type>\n"
        "    <IMAP_Server type=\"SZ\">" + in + "</IMAP_Server>\n"
        "    <IMAP_Dirty type=\"DWORD\">00000000</IMAP_Dirty>\n"
        "    <IMAP_Poll_All_Folders type=\"DWORD\">00000001</IMAP_Poll_All_Folders>\n"
        "    <IMAP_Polling type=\"DWORD\">00000001</IMAP_Polling>\n"
        "    <IMAP_Root_Folder type=\"SZ\">INBOX.</IMAP_Root_Folder>\n"
        "    <IMAP_User_Name type=\"SZ\">" + a + "</IMAP_User_Name>\n"
        "    <IMAP_Use_Sicily type=\"DWORD\">00000000</IMAP_Use_Sicily>\n"
        "    <IMAP_Prompt_for_Password type=\"DWORD\">00000001</IMAP_Prompt_for_Password>\n"
        "    <IMAP_Port type=\"DWORD\">" + (useSsl ? "000003e1" : "0000008f") + "</IMAP_Port>\n"
        "    <IMAP_Secure_Connection type=\"DWORD\">" + secure + "</IMAP_Secure_Connection>\n"
        "    <IMAP_Timeout type=\"DWORD\">0000003c</IMAP_Timeout>\n"
        "    <SMTP_Server type=\"SZ\">" + out + "</SMTP_Server>\n"
        "    <SMTP_Use_Sicily type=\"DWORD\">00000002</SMTP_Use_Sicily>\n"
        "    <SMTP_Port type=\"DWORD\">" + (useSsl ? "000001d1" : "0000024b") + "</SMTP_Port>\n"
        "    <SMTP_Secure_Connection type=\"DWORD\">" + secure + "</SMTP_Secure_Connection>\n"
        "    <SMTP_Timeout type=\"DWORD\">0000003c</SMTP_Timeout>\n"
        "    <SMTP_Display_Name type=\"SZ\">" + std::string(displayName) + "</SMTP_Display_Name>\n"
        "    <SMTP_Email_Address type=\"SZ\">" + a + "</SMTP_Email_Address>\n"
        "</MessageAccount>\n");
}

std::string settingsLogText(std::string_view address, std::string_view displayName, bool useSsl) {
    const std::string a(address);
    const std::string secure = useSsl ? "00000001" : "00000000";
    return withMailHosts(
        "The following settings were written/overwritten in Windows Mail's configuration:\n"
        "\n"
        "Account Name: " + a + "\n"
        "Connection Type: 00000003\n"
        "IMAP Server: " + (useSsl ? "$SECURE" : "$IMAP") + "\n"
        "IMAP User Name: " + a + "\n"
        "IMAP Port: " + (useSsl ? "000003e1" : "0000008f") + "\n"
        "IMAP Secure Connection: " + secure + "\n"
        "IMAP Timeout: 0000003c\n"
        "SMTP Server: " + (useSsl ? "$SECURE" : "$SMTP") + "\n"
        "SMTP Use Sicily: 00000002\n"
        "SMTP Port: " + (useSsl ? "000001d1" : "0000024b") + "\n"
        "SMTP Secure Connection: " + secure + "\n"
        "SMTP Timeout: 0000003c\n"
        "SMTP Display Name: " + std::string(displayName) + "\n"
        "SMTP Email Address: " + a + "\n");
}

// An IMAP account as a user might have it: every element this tool writes,
// some it does not know, an empty line, its own indentation.
std::string imapAccount() {
    return accountFileOf({
        u"<?xml version=\"1.0\" encoding=\"utf-16\" ?>",
        u"<MessageAccount>",
        u"  <Account_Name type=\"SZ\">Old Mail</Account_Name>",
        u"  <Connection_Type type=\"DWORD\">00000003</Connection_Type>",
        u"  <IMAP_Server type=\"SZ\">imap.old.example</IMAP_Server>",
        u"  <IMAP_User_Name type=\"SZ\">ann</IMAP_User_Name>",
        u"  <IMAP_Port type=\"DWORD\">0000008f</IMAP_Port>",
        u"  <IMAP_Secure_Connection type=\"DWORD\">00000000</IMAP_Secure_Connection>",
        u"  <IMAP_Timeout type=\"DWORD\">0000001e</IMAP_Timeout>",
        u"  <IMAP_Root_Folder type=\"SZ\">Mail</IMAP_Root_Folder>",
        u"",
        u"  <SMTP_Server type=\"SZ\">smtp.old.example</SMTP_Server>",
        u"  <SMTP_Use_Sicily type=\"DWORD\">00000000</SMTP_Use_Sicily>",
        u"  <SMTP_Port type=\"DWORD\">00000019</SMTP_Port>",
        u"  <SMTP_Secure_Connection type=\"DWORD\">00000000</SMTP_Secure_Connection>",
        u"  <SMTP_Timeout type=\"DWORD\">0000003c</SMTP_Timeout>",
        u"  <SMTP_Display_Name type=\"SZ\">Ann Old \u00E9</SMTP_Display_Name>",
        u"  <SMTP_Email_Address type=\"SZ\">ann@example.com</SMTP_Email_Address>",
        u"\t<Server_ID type=\"SZ\">{1}</Server_ID>",
        u"</MessageAccount>",
    });
}

std::string imapAccountUpdated() {
    return withMailHosts(
        "<BOM><?xml version=\"1.0\" encoding=\"utf-16\" ?>\n"
        "<MessageAccount>\n"
        "    <Account_Name type=\"SZ\">ann@example.com</Account_Name>\n"
        "    <Connection_Type type=\"DWORD\">00000003</Connection_Type>\n"
        "    <IMAP_Server type=\"SZ\">$SECURE</IMAP_Server>\n"
        "    <IMAP_User_Name type=\"SZ\">ann@example.com</IMAP_User_Name>\n"
        "    <IMAP_Port type=\"DWORD\">000003e1</IMAP_Port>\n"
        "    <IMAP_Secure_Connection type=\"DWORD\">00000001</IMAP_Secure_Connection>\n"
        "    <IMAP_Timeout type=\"DWORD\">0000003c</IMAP_Timeout>\n"
        "    <IMAP_Root_Folder type=\"SZ\">Mail</IMAP_Root_Folder>\n"
        "    \n"
        "    <SMTP_Server type=\"SZ\">$SECURE</SMTP_Server>\n"
        "    <SMTP_Use_Sicily type=\"DWORD\">00000002</SMTP_Use_Sicily>\n"
        "    <SMTP_Port type=\"DWORD\">000001d1</SMTP_Port>\n"
        "    <SMTP_Secure_Connection type=\"DWORD\">00000001</SMTP_Secure_Connection>\n"
        "    <SMTP_Timeout type=\"DWORD\">0000003c</SMTP_Timeout>\n"
        "    <SMTP_Display_Name type=\"SZ\">Ann Example</SMTP_Display_Name>\n"
        "    <SMTP_Email_Address type=\"SZ\">ann@example.com</SMTP_Email_Address>\n"
        "    <U+0009><Server_ID type=\"SZ\">{1}</Server_ID>\n"
        "</MessageAccount>\n");
}

std::string popAccount() {
    return accountFileOf({
        u"<?xml version=\"1.0\" encoding=\"utf-16\" ?>",
        u"<MessageAccount>",
        u"    <Account_Name type=\"SZ\">pop.old.example</Account_Name>",
        u"    <Connection_Type type=\"DWORD\">00000003</Connection_Type>",
        u"    <POP3_Server type=\"SZ\">pop.old.example</POP3_Server>",
        u"    <POP3_User_Name type=\"SZ\">ann</POP3_User_Name>",
        u"    <POP3_Port type=\"DWORD\">0000006e</POP3_Port>",
        u"    <SMTP_Server type=\"SZ\">smtp.old.example</SMTP_Server>",
        u"    <SMTP_Display_Name type=\"SZ\">Ann Old</SMTP_Display_Name>",
        u"    <SMTP_Email_Address type=\"SZ\">ann@example.com</SMTP_Email_Address>",
        u"</MessageAccount>",
    });
}

std::string popAccountUpdated(bool useSsl) {
    const std::string secure = useSsl ? "00000001" : "00000000";
    return withMailHosts(
        "<BOM><?xml version=\"1.0\" encoding=\"utf-16\" ?>\n"
        "<MessageAccount>\n"
        "    <Account_Name type=\"SZ\">ann@example.com</Account_Name>\n"
        "    <Connection_Type type=\"DWORD\">00000003</Connection_Type>\n"
        "    <POP3_Server type=\"SZ\">pop.old.example</POP3_Server>\n"
        "    <POP3_User_Name type=\"SZ\">ann</POP3_User_Name>\n"
        "    <POP3_Port type=\"DWORD\">0000006e</POP3_Port>\n"
        "    <SMTP_Server type=\"SZ\">" + std::string(useSsl ? "$SECURE" : "$SMTP") + "</SMTP_Server>\n"
        "    <SMTP_Display_Name type=\"SZ\">Ann Example</SMTP_Display_Name>\n"
        "    <SMTP_Email_Address type=\"SZ\">ann@example.com</SMTP_Email_Address>\n"
        "    <POP3_Server type=\"SZ\">" + (useSsl ? "$SECURE" : "$POP") + "</POP3_Server>\n"
        "    <POP3_User_Name type=\"SZ\">ann@example.com</POP3_User_Name>\n"
        "    <POP3_Port type=\"DWORD\">" + (useSsl ? "000003e3" : "0000006e") + "</POP3_Port>\n"
        "    <POP3_Secure_Connection type=\"DWORD\">" + secure + "</POP3_Secure_Connection>\n"
        "    <POP3_Timeout type=\"DWORD\">0000003c</POP3_Timeout>\n"
        "    <SMTP_Use_Sicily type=\"DWORD\">00000002</SMTP_Use_Sicily>\n"
        "    <SMTP_Port type=\"DWORD\">" + (useSsl ? "000001d1" : "0000024b") + "</SMTP_Port>\n"
        "    <SMTP_Secure_Connection type=\"DWORD\">" + secure + "</SMTP_Secure_Connection>\n"
        "    <SMTP_Timeout type=\"DWORD\">0000003c</SMTP_Timeout>\n"
        "</MessageAccount>\n");
}

}  // namespace tw::test
