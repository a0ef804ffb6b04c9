// A Windows Mail account file from the fuzz input, in a store folder beside
// another account's file, configured by the Windows Mail writer: the search,
// an update of the found file, or a new file; with -d the default account;
// now and then one platform call failing. Properties:
// - the outcome is 0, 1 or 5, no ".tmp" file is left, and the other account's
//   file is never touched;
// - a run that fails, or finds the address without -u, changes no file and
//   not the default;
// - an update keeps every line the account does not own, in order; a new
//   account is one new file; either way the account is found again, and with
//   -d the default names its file;
// - a second run with -u changes nothing but the account's own lines;
// - a run with a failing call succeeds only with the result of the run without.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "clients/outlook_express_winmail/windows_mail_account_file.h"
#include "clients/outlook_express_winmail/windows_mail_writer.h"
#include "core/address_check.h"
#include "core/session_log.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/fuzz/support.h"

namespace {

using namespace tw;
using platform::Hive;

constexpr const char* kIamKey = "Software\\Microsoft\\IAM";
constexpr const char* kOldDefault = "account{B0B}.oeaccount";
const std::string kFileName = "account{1}.oeaccount";

// The other account, which no run may touch.
std::string bobsFile() {
    std::string bytes = "\xFF\xFE";
    for (const char c : std::string_view("<?xml version=\"1.0\"?>\r\n<MessageAccount>\r\n"
                                         "<SMTP_Email_Address type=\"SZ\">bob@work.example</SMTP_Email_Address>\r\n"
                                         "</MessageAccount>\r\n")) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

// The lines of an account file as the writer reads them: 16-bit units after a
// byte-order mark, ended by LF, CR LF or a lone CR, blanks around them
// trimmed. Nothing for bytes that are no account file.
std::optional<std::vector<std::u16string>> linesOf(const std::string& bytes) {
    if (bytes.size() < 2 || bytes.size() % 2 != 0 || bytes[0] != '\xFF' || bytes[1] != '\xFE') return std::nullopt;
    std::vector<std::u16string> lines;
    std::u16string line;
    const auto flush = [&] {
        const auto first = line.find_first_not_of(u' ');
        const auto last = line.find_last_not_of(u' ');
        lines.push_back(first == std::u16string::npos ? std::u16string() : line.substr(first, last - first + 1));
        line.clear();
    };
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                static_cast<unsigned char>(bytes[i + 1]) << 8);
        const bool crBeforeLf = unit == u'\r' && i + 3 < bytes.size() && bytes[i + 2] == '\n' && bytes[i + 3] == '\0';
        if (unit == u'\n' || (unit == u'\r' && !crBeforeLf)) {
            flush();
        } else if (!crBeforeLf) {
            line += unit;
        }
    }
    if (!line.empty()) flush();
    return lines;
}

// The elements an update writes; their lines are the account's.
const std::vector<std::u16string>& ownedElements() {
    static const std::vector<std::u16string> names = {
        u"Account_Name", u"Connection_Type", u"IMAP_Server", u"IMAP_User_Name", u"IMAP_Port",
        u"IMAP_Secure_Connection", u"IMAP_Timeout", u"SMTP_Server", u"SMTP_Use_Sicily", u"SMTP_Port",
        u"SMTP_Secure_Connection", u"SMTP_Timeout", u"SMTP_Display_Name", u"SMTP_Email_Address"};
    return names;
}

// The lines the account does not own: all but its elements (with the lines
// of a value written over several, up to the closing tag, when only text
// stands between), the POP3 elements an update may append, and the closing
// tag, which an update writes last.
std::vector<std::u16string> notOwned(const std::vector<std::u16string>& lines) {
    std::vector<std::u16string> kept;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto& line = lines[i];
        if (line.find(u"</MessageAccount>") != std::u16string::npos) continue;
        const std::u16string* owned = nullptr;
        for (const auto& name : ownedElements()) {
            // The element a line holds is named between its first "<" and the next blank.
            const auto open = line.find(u'<');
            if (open != std::u16string::npos && line.compare(open + 1, name.size() + 1, name + u" ") == 0) owned = &name;
        }
        // A line of the account's own element is the account's, whatever else
        // it holds (a POP3 element's name included).
        if (owned == nullptr) {
            if (line.find(u"<POP3_") == std::u16string::npos &&
                line.find(u"<Leave_Mail_On_Server ") == std::u16string::npos) {
                kept.push_back(line);
            }
            continue;
        }
        const std::u16string closing = u"</" + *owned + u">";
        if (line.find(closing) != std::u16string::npos) continue;
        for (std::size_t j = i + 1; j < lines.size(); ++j) {
            if (lines[j].find(closing) != std::u16string::npos) {
                i = j;
                break;
            }
            if (lines[j].find(u'<') != std::u16string::npos) break;
        }
    }
    return kept;
}

std::string utf8(const std::u16string& text) {
    std::string out;
    for (const char16_t unit : text) out += unit < 0x80 ? static_cast<char>(unit) : '?';
    return out;
}

struct Request {
    std::string address;
    std::string displayName = "Ann Example";
    bool makeDefault = false;
    bool overwrite = false;
    bool useSsl = true;
};

struct Result {
    ConfigOutcome outcome = OutcomeNoWriter;
    std::vector<std::string> names;  // the account folder's entries
    std::string file;                // the seeded file's bytes afterwards
    std::string newFile;             // a file the run added, if any
    std::string newName;
    std::string bob;
    std::string defaultAccount;
    std::string log;
};

Result configure(const std::string& bytes, const Request& request, std::size_t failing) {
    fuzz::World world;
    const std::string folder = world.folder() + "\\Mail\\Local Folders";
    fuzz::setText(Hive::CurrentUser, "Software\\Microsoft\\Windows Mail", "Store Root", world.folder() + "\\Mail\\");
    fuzz::makeFolder(world.folder() + "\\Mail");
    fuzz::makeFolder(folder);
    fuzz::writeFile(folder + "\\" + kOldDefault, bobsFile());
    fuzz::writeFile(folder + "\\" + kFileName, bytes);
    fuzz::setText(Hive::CurrentUser, kIamKey, "Default Mail Account", kOldDefault);
    Result result;
    {
        SessionLog log;
        log.open(world.folder() + "\\Tidewell.log");
        std::optional<platform::testing::CallFaults> faults;
        if (failing != 0) faults.emplace(failing);
        WindowsMailWriter writer(request.address, request.displayName, request.makeDefault, request.overwrite,
                                 request.useSsl, log);
        result.outcome = writer.configure();
    }
    platform::findFiles(folder + "\\*", result.names);
    result.file = fuzz::readFile(folder + "\\" + kFileName);
    result.bob = fuzz::readFile(folder + "\\" + kOldDefault);
    for (const auto& name : result.names) {
        if (name != kFileName && name != kOldDefault) {
            result.newName = name;
            result.newFile = fuzz::readFile(folder + "\\" + name);
        }
    }
    fuzz::valueText(Hive::CurrentUser, kIamKey, "Default Mail Account", result.defaultAccount);
    result.log = world.logText();
    return result;
}

// The address: a fixed one, the file's own SMTP_Email_Address (so that the
// update is taken), or one with characters XML escapes.
std::string chooseAddress(const std::string& bytes, int choice) {
    std::string address = "ann@example.com";
    if (choice == 1) {
        if (const auto lines = linesOf(bytes)) {
            for (const auto& line : *lines) {
                const std::u16string open = u"<SMTP_Email_Address type=\"SZ\">";
                const auto at = line.find(open);
                const auto end = line.find(u"</SMTP_Email_Address>");
                if (at == std::u16string::npos || end == std::u16string::npos || end < at + open.size()) continue;
                std::u16string text = line.substr(at + open.size(), end - at - open.size());
                for (const auto& [escaped, plain] : {std::pair<std::u16string, std::u16string>{u"&lt;", u"<"},
                                                     {u"&gt;", u">"}, {u"&amp;", u"&"}}) {
                    for (auto p = text.find(escaped); p != std::u16string::npos; p = text.find(escaped, p + 1)) {
                        text.replace(p, escaped.size(), plain);
                    }
                }
                if (auto ansi = platform::utf16ToAnsi(text)) address = *ansi;
                break;
            }
        }
    } else if (choice == 2) {
        address = "tom&jerry<x>@example.com";
    }
    address = std::string(withoutBlanks(address));
    const bool usable = !addressProblem(address) && windows_mail::elementText(address).has_value();
    return usable ? address : std::string("ann@example.com");
}

void checkUnchanged(const Result& result, const std::string& bytes, std::string_view why) {
    fuzz::check(result.file == bytes, why, "the account file changed");
    fuzz::check(result.newName.empty(), why, "a file was added: " + result.newName);
    fuzz::check(result.defaultAccount == kOldDefault, why, "the default changed");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::initialise();
    return 0;
}

// The input: a byte of flags, a byte naming the call to fail (with flag 0x10),
// then the account file's bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = fuzz::fileInput(data, size, 0x10);
    if (!input) return 0;
    const std::uint8_t flags = input->flags;
    const std::size_t failing = input->failing;
    const std::string& bytes = input->bytes;
    Request request;
    request.overwrite = (flags & 1) != 0;
    request.useSsl = (flags & 2) == 0;
    request.address = chooseAddress(bytes, (flags >> 2) & 3);
    request.makeDefault = (flags & 0x20) != 0;
    if ((flags & 0x40) != 0) request.displayName = "Tom & Jerry <TJ>";

    const Result first = configure(bytes, request, 0);
    fuzz::check(first.outcome == OutcomeConfigured || first.outcome == OutcomeCannotConfigure ||
                    first.outcome == OutcomeAccountExists,
                "an outcome the Windows Mail writer does not give");
    fuzz::check(first.bob == bobsFile(), "the other account's file changed");
    for (const auto& name : first.names) {
        fuzz::check(name.size() < 4 || name.substr(name.size() - 4) != ".tmp", "a temporary file was left", name);
    }
    if (first.outcome != OutcomeConfigured) {
        checkUnchanged(first, bytes, "a run that did not configure changed the store");
        return 0;
    }
    if (first.newName.empty()) {
        // The seeded file was the account's: updated, its other lines kept.
        const auto before = linesOf(bytes);
        const auto after = linesOf(first.file);
        fuzz::check(before && after, "an update of a file that is no account file, or to one", first.log);
        const auto kept = notOwned(*before);
        const auto now = notOwned(*after);
        std::size_t at = 0;
        for (const auto& line : kept) {
            while (at < now.size() && now[at] != line) ++at;
            if (at < now.size()) {
                ++at;
                continue;
            }
            std::string shown = "lost: " + utf8(line) + "\n--- after:\n";
            for (const auto& l : *after) shown += utf8(l) + "\n";
            fuzz::fail("a line the account does not own was lost", shown);
        }
    } else {
        fuzz::check(first.file == bytes, "a new account changed the seeded file");
        fuzz::check(windows_mail::accountFileHasAddress(first.newFile, *windows_mail::elementText(request.address)),
                    "the new file is not the address's account file");
    }
    const std::string written = first.newName.empty() ? kFileName : first.newName;
    fuzz::check(first.defaultAccount == (request.makeDefault ? written : std::string(kOldDefault)),
                "the default account is not as asked", first.defaultAccount);

    // A second run with -u finds the account (it updates, adding no file) and
    // rewrites only the account's own lines.
    const std::string result = first.newName.empty() ? first.file : first.newFile;
    Request again = request;
    again.overwrite = true;
    const Result third = configure(result, again, 0);
    fuzz::check(third.outcome == OutcomeConfigured && third.newName.empty(),
                "the account written is not found again by a second run with -u", third.log);
    fuzz::check(notOwned(*linesOf(third.file)) == notOwned(*linesOf(result)),
                "a second run with -u changed lines the account does not own");

    if (failing != 0) {
        const Result faulted = configure(bytes, request, failing);
        fuzz::check(faulted.bob == bobsFile(), "a failure changed the other account's file");
        for (const auto& name : faulted.names) {
            fuzz::check(name.size() < 4 || name.substr(name.size() - 4) != ".tmp", "a failure left a temporary file");
        }
        if (faulted.outcome == OutcomeConfigured) {
            fuzz::check(faulted.file == first.file && faulted.newFile == first.newFile &&
                            faulted.newName.empty() == first.newName.empty(),
                        "a run with a failed call reported success with another result");
        } else {
            checkUnchanged(faulted, bytes, "a failed run changed the store");
        }
    }
    return 0;
}
