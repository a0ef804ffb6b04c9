#include "clients/outlook_express_winmail/windows_mail_account_file.h"

#include <array>
#include <cstdio>
#include <vector>

#include "core/provider.h"
#include "platform/text.h"

namespace tw::windows_mail {
namespace {

using Text = std::u16string;
using TextView = std::u16string_view;

constexpr char16_t kByteOrderMark = 0xFEFF;

constexpr bool isAscii(const char* text) {
    for (; *text != '\0'; ++text) {
        if (static_cast<unsigned char>(*text) >= 0x80) return false;
    }
    return true;
}
// Host names and the element names below go into the file unit for unit.
static_assert(isAscii(SecureHost) && isAscii(ImapHost) && isAscii(SmtpHost) && isAscii(PopHost),
              "host names must be ASCII");

Text ascii(std::string_view text) { return Text(text.begin(), text.end()); }

enum class Type { Sz, Dword };

// One element line: four spaces, <Name type="SZ|DWORD">value</Name>.
Text elementLine(std::string_view name, Type type, TextView value) {
    Text line = u"    <" + ascii(name) + (type == Type::Sz ? u" type=\"SZ\">" : u" type=\"DWORD\">");
    line += value;
    line += u"</" + ascii(name) + u">";
    return line;
}

Text dwordValue(unsigned value) { return ascii(dwordText(value)); }

// The elements this tool owns, with their values for one account.
struct Element {
    std::string_view name;
    Type type;
    Text value;
};

std::vector<Element> newFileElements(const AccountFileSettings& s) {
    const ProviderServers servers = providerServers(s.useSsl);
    const unsigned secure = s.useSsl ? 1 : 0;
    return {
        {"Account_Name", Type::Sz, s.address},
        {"Connection_Type", Type::Dword, dwordValue(3)},
        {"IMAP_Server", Type::Sz, ascii(servers.incomingHost)},
        {"IMAP_Dirty", Type::Dword, dwordValue(0)},
        {"IMAP_Poll_All_Folders", Type::Dword, dwordValue(1)},
        {"IMAP_Polling", Type::Dword, dwordValue(1)},
        {"IMAP_Root_Folder", Type::Sz, u"INBOX."},
        {"IMAP_User_Name", Type::Sz, s.address},
        {"IMAP_Use_Sicily", Type::Dword, dwordValue(0)},
        {"IMAP_Prompt_for_Password", Type::Dword, dwordValue(1)},
        {"IMAP_Port", Type::Dword, dwordValue(static_cast<unsigned>(servers.imapPort))},
        {"IMAP_Secure_Connection", Type::Dword, dwordValue(secure)},
        {"IMAP_Timeout", Type::Dword, dwordValue(60)},
        {"SMTP_Server", Type::Sz, ascii(servers.outgoingHost)},
        {"SMTP_Use_Sicily", Type::Dword, dwordValue(2)},
        {"SMTP_Port", Type::Dword, dwordValue(static_cast<unsigned>(servers.smtpPort))},
        {"SMTP_Secure_Connection", Type::Dword, dwordValue(secure)},
        {"SMTP_Timeout", Type::Dword, dwordValue(60)},
        {"SMTP_Display_Name", Type::Sz, s.displayName},
        {"SMTP_Email_Address", Type::Sz, s.address},
    };
}

// The 14 elements an update replaces wherever they stand, in the order of
// their seen-marks.
constexpr std::array<std::string_view, 14> kRecognised = {
    "Account_Name", "Connection_Type", "IMAP_Server", "IMAP_User_Name", "IMAP_Port",
    "IMAP_Secure_Connection", "IMAP_Timeout", "SMTP_Server", "SMTP_Use_Sicily", "SMTP_Port",
    "SMTP_Secure_Connection", "SMTP_Timeout", "SMTP_Display_Name", "SMTP_Email_Address"};

// What an update appends when the old file had no line for the trigger. An
// account file without IMAP elements is a POP3 account: it gets the
// provider's POP3 settings in their place.
struct Appended {
    Element element;
    std::string_view trigger;
};

std::vector<Appended> appendTable(const AccountFileSettings& s) {
    const ProviderServers servers = providerServers(s.useSsl);
    const unsigned secure = s.useSsl ? 1 : 0;
    const Text popHost = ascii(s.useSsl ? SecureHost : PopHost);
    return {
        {{"Account_Name", Type::Sz, s.address}, "Account_Name"},
        {{"Connection_Type", Type::Dword, dwordValue(3)}, "Connection_Type"},
        {{"POP3_Server", Type::Sz, popHost}, "IMAP_Server"},
        {{"POP3_User_Name", Type::Sz, s.address}, "IMAP_User_Name"},
        {{"POP3_Use_Sicily", Type::Dword, dwordValue(0)}, "SMTP_Display_Name"},
        {{"POP3_Port", Type::Dword, dwordValue(s.useSsl ? 995 : 110)}, "IMAP_Port"},
        {{"POP3_Secure_Connection", Type::Dword, dwordValue(secure)}, "IMAP_Secure_Connection"},
        {{"POP3_Timeout", Type::Dword, dwordValue(60)}, "IMAP_Timeout"},
        {{"Leave_Mail_On_Server", Type::Dword, dwordValue(0)}, "SMTP_Display_Name"},
        {{"SMTP_Server", Type::Sz, ascii(servers.outgoingHost)}, "SMTP_Server"},
        {{"SMTP_Use_Sicily", Type::Dword, dwordValue(2)}, "SMTP_Use_Sicily"},
        {{"SMTP_Port", Type::Dword, dwordValue(static_cast<unsigned>(servers.smtpPort))}, "SMTP_Port"},
        {{"SMTP_Secure_Connection", Type::Dword, dwordValue(secure)}, "SMTP_Secure_Connection"},
        {{"SMTP_Timeout", Type::Dword, dwordValue(60)}, "SMTP_Timeout"},
        {{"SMTP_Display_Name", Type::Sz, s.displayName}, "SMTP_Display_Name"},
        {{"SMTP_Email_Address", Type::Sz, s.address}, "SMTP_Email_Address"},
    };
}

// The file's text without its byte-order mark, or nothing when the bytes are
// not UTF-16LE with one (an odd length, another encoding, a binary file).
std::optional<Text> decode(std::string_view bytes) {
    if (bytes.size() % 2 != 0 || bytes.size() < 2) return std::nullopt;
    Text text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    if (text.front() != kByteOrderMark) return std::nullopt;
    text.erase(0, 1);
    return text;
}

void appendUnit(std::string& bytes, char16_t unit) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
}

// The bytes of a file: byte-order mark, then each line followed by CR LF.
std::string encode(const std::vector<Text>& lines) {
    std::string bytes;
    appendUnit(bytes, kByteOrderMark);
    for (const Text& line : lines) {
        for (char16_t unit : line) appendUnit(bytes, unit);
        appendUnit(bytes, u'\r');
        appendUnit(bytes, u'\n');
    }
    return bytes;
}

TextView trimSpaces(TextView line) {
    while (!line.empty() && line.front() == u' ') line.remove_prefix(1);
    while (!line.empty() && line.back() == u' ') line.remove_suffix(1);
    return line;
}

// The lines of a file, spaces trimmed from both ends. A line ends at CR LF, LF
// or a lone CR; a last line without an end counts too.
std::vector<TextView> splitLines(TextView text) {
    std::vector<TextView> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of(u"\r\n", start);
        if (end == TextView::npos) end = text.size();
        lines.push_back(trimSpaces(text.substr(start, end - start)));
        if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') ++end;
        start = end + 1;
    }
    return lines;
}

bool contains(TextView line, TextView part) { return line.find(part) != TextView::npos; }

// The element name of a line: the text between its first "<" and the first
// space after it. Nothing for a line without both.
std::optional<TextView> elementName(TextView line) {
    const auto open = line.find(u'<');
    if (open == TextView::npos) return std::nullopt;
    const auto space = line.find(u' ', open + 1);
    if (space == TextView::npos) return std::nullopt;
    return line.substr(open + 1, space - open - 1);
}

std::optional<std::size_t> recognisedIndex(TextView name) {
    for (std::size_t i = 0; i < kRecognised.size(); ++i) {
        if (name == ascii(kRecognised[i])) return i;
    }
    return std::nullopt;
}

// How an unrecognised line is kept: the closing tag is dropped (it is written
// last), the declaration and the opening tag stay at the margin, every other
// line is indented by four spaces.
std::optional<Text> keptLine(TextView line, bool hasElementName) {
    if (contains(line, u"</MessageAccount>")) return std::nullopt;
    if (contains(line, u"<?xml version") || (!hasElementName && contains(line, u"<MessageAccount>"))) {
        return Text(line);
    }
    return u"    " + Text(line);
}

}  // namespace

std::string dwordText(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

std::optional<std::u16string> elementText(std::string_view ansiText) {
    const auto wide = platform::ansiToUtf16(ansiText);
    if (!wide) return std::nullopt;
    Text escaped;
    escaped.reserve(wide->size());
    for (char16_t c : *wide) {
        switch (c) {
        case u'&': escaped += u"&amp;"; break;
        case u'<': escaped += u"&lt;"; break;
        case u'>': escaped += u"&gt;"; break;
        case u'\t': escaped += c; break;
        default:
            if (c < 0x20) return std::nullopt;
            escaped += c;
        }
    }
    return escaped;
}

std::string newAccountFile(const AccountFileSettings& settings) {
    std::vector<Text> lines = {u"<?xml version=\"1.0\" encoding=\"utf-16\" ?>", u"<MessageAccount>"};
    for (const Element& e : newFileElements(settings)) lines.push_back(elementLine(e.name, e.type, e.value));
    lines.push_back(u"</MessageAccount>");
    return encode(lines);
}

bool accountFileHasAddress(std::string_view fileBytes, std::u16string_view address) {
    const auto text = decode(fileBytes);
    if (!text) return false;
    const Text wanted = u"<SMTP_Email_Address type=\"SZ\">" + Text(address) + u"</SMTP_Email_Address>";
    for (TextView line : splitLines(*text)) {
        if (contains(line, wanted)) return true;
    }
    return false;
}

std::optional<std::string> updatedAccountFile(std::string_view fileBytes, const AccountFileSettings& settings) {
    const auto text = decode(fileBytes);
    if (!text) return std::nullopt;
    std::vector<Element> elements = newFileElements(settings);
    const auto newLine = [&](TextView name) {
        for (const Element& e : elements) {
            if (name == ascii(e.name)) return elementLine(e.name, e.type, e.value);
        }
        return Text();
    };

    std::array<bool, kRecognised.size()> seen{};
    const std::vector<TextView> lines = splitLines(*text);
    std::vector<Text> out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const TextView line = lines[i];
        const auto name = elementName(line);
        const auto index = name ? recognisedIndex(*name) : std::nullopt;
        if (!index) {
            if (auto kept = keptLine(line, name.has_value())) out.push_back(std::move(*kept));
            continue;
        }
        seen[*index] = true;
        out.push_back(newLine(*name));
        // A value written over several lines is replaced as a whole: its
        // continuation lines go with it, or the file would keep a stray
        // closing tag and no longer be well-formed XML. Only plain text up to
        // the closing tag counts as continuation; any other markup first
        // means the element was never closed, and the lines stay.
        const Text closing = u"</" + Text(*name) + u">";
        if (!contains(line, closing)) {
            for (std::size_t j = i + 1; j < lines.size(); ++j) {
                if (contains(lines[j], closing)) {
                    i = j;
                    break;
                }
                if (contains(lines[j], u"<")) break;
            }
        }
    }
    for (const Appended& a : appendTable(settings)) {
        const auto index = recognisedIndex(ascii(a.trigger));
        if (index && !seen[*index]) out.push_back(elementLine(a.element.name, a.element.type, a.element.value));
    }
    out.push_back(u"</MessageAccount>");
    return encode(out);
}

}  // namespace tw::windows_mail
