// prefs.js from the fuzz input, rewritten by the Thunderbird writer for the
// first account of a profile, a new account beside others, or (with -u) the
// account of the address, now and then with one platform call failing. The
// result is read back with a small checker of its own, written from the
// format (statements, strings, comments), not from the program's scanner.
// Properties:
// - the outcome is 0, 1 or 5, and no prefs.tmp is left; a run that does not
//   configure leaves prefs.js as it was;
// - the result reads with no more unreadable text than the original had, and
//   every preference of the original is still there, in the same order;
// - a value changes only where the log's summary says the run wrote it (or
//   it is a folder that follows the account's server, or mail.account.lastKey);
// - a second run with -u finds the account and changes nothing the summary
//   does not name, losing nothing;
// - a run with a failing call succeeds only with the result of the run without.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "clients/thunderbird/thunderbird_writer.h"
#include "core/session_log.h"
#include "tests/fuzz/support.h"

namespace {

using namespace tw;

// --- The checker --------------------------------------------------------

struct Pref {
    std::string key;
    std::string value;  // as written: a string with its quotes, true, false or a number
};

struct Reading {
    std::vector<Pref> prefs;
    int unreadable = 0;  // pieces skipped up to the next ";"
    std::string skipped;  // those pieces, one a line
};

// A key as Thunderbird knows it, whichever quotes and escapes it was written
// with, shown in double quotes: 'a\'b' and "a'b" are one key.
std::string keyText(std::string_view quoted) {
    const std::string_view inner = quoted.substr(1, quoted.size() - 2);
    std::string text = "\"";
    const auto hex = [&inner](std::size_t at, std::size_t digits) {
        return static_cast<unsigned>(std::stoul(std::string(inner.substr(at, digits)), nullptr, 16));
    };
    const auto utf8 = [&text](unsigned c) {
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else if (c < 0x800) {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            text += static_cast<char>(0xE0 | (c >> 12));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            text += static_cast<char>(0xF0 | (c >> 18));
            text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    };
    // The reading already refused any escape but these.
    for (std::size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] != '\\') {
            text += inner[i];
            continue;
        }
        const char c = inner[++i];
        if (c == 'n') {
            text += '\n';
        } else if (c == 'r') {
            text += '\r';
        } else if (c == 'x') {
            text += static_cast<char>(hex(i + 1, 2));
            i += 2;
        } else if (c == 'u') {
            unsigned unit = hex(i + 1, 4);
            i += 4;
            const bool pair = (unit & 0xFC00) == 0xD800 && inner.substr(i + 1, 2) == "\\u" && i + 6 < inner.size() &&
                              std::isxdigit(static_cast<unsigned char>(inner[i + 3])) != 0;
            if (pair) {
                const unsigned low = hex(i + 3, 4);
                if ((low & 0xFC00) == 0xDC00) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    i += 6;
                }
            }
            utf8(unit);
        } else {
            text += c;
        }
    }
    return text + "\"";
}

class Checker {
public:
    explicit Checker(std::string_view text) : text_(text) {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") at_ = 3;
        const auto nul = text_.find('\0');
        // A NUL outside strings and comments ends the file; one inside them is
        // rare enough to treat the same way here.
        if (nul != std::string_view::npos) text_ = text_.substr(0, nul);
    }

    Reading read() {
        Reading result;
        for (;;) {
            blanks();
            if (at_ >= text_.size()) return result;
            const std::size_t start = at_;
            Pref pref;
            if (statement(pref)) {
                result.prefs.push_back(std::move(pref));
            } else {
                ++result.unreadable;
                at_ = start;
                skipToSemicolon();
                result.skipped += "[" + std::string(text_.substr(start, at_ - start)) + "]\n";
            }
        }
    }

private:
    bool more() const { return at_ < text_.size(); }
    char peek() const { return more() ? text_[at_] : '\0'; }

    void blanks() {
        while (more()) {
            const char c = peek();
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
                ++at_;
            } else if (text_.substr(at_, 2) == "/*") {
                const auto end = text_.find("*/", at_ + 2);
                at_ = end == std::string_view::npos ? text_.size() : end + 2;
            } else if (text_.substr(at_, 2) == "//" || c == '#') {
                while (more() && peek() != '\n' && peek() != '\r') ++at_;
            } else {
                return;
            }
        }
    }

    bool word(std::string_view w) {
        if (text_.substr(at_, w.size()) != w) return false;
        at_ += w.size();
        return true;
    }

    // Thunderbird knows these escapes alone and cannot read a statement with
    // any other: \\ \" \' \n \r \xHH \uHHHH. Leaves at_ on the escape's last
    // character. (A NUL or a lone surrogate it refuses as well; the checker
    // lets those pass.)
    bool escape() {
        ++at_;
        const char c = peek();
        if (c == '"' || c == '\'' || c == '\\' || c == 'n' || c == 'r') return true;
        const std::size_t digits = c == 'x' ? 2 : c == 'u' ? 4 : 0;
        if (digits == 0) return false;
        for (std::size_t i = 1; i <= digits; ++i) {
            const char d = at_ + i < text_.size() ? text_[at_ + i] : '\0';
            if (!std::isxdigit(static_cast<unsigned char>(d))) return false;
        }
        at_ += digits;
        return true;
    }

    bool quoted(std::string& out) {
        const char quote = peek();
        if (quote != '"' && quote != '\'') return false;
        const std::size_t start = at_++;
        while (more() && peek() != quote) {
            if (peek() == '\\' && !escape()) return false;
            ++at_;
        }
        if (!more()) return false;
        ++at_;
        out = std::string(text_.substr(start, at_ - start));
        return true;
    }

    bool value(std::string& out) {
        if (quoted(out)) return true;
        for (const char* literal : {"true", "false"}) {
            if (word(literal)) {
                out = literal;
                return true;
            }
        }
        const std::size_t start = at_;
        if (peek() == '-' || peek() == '+') ++at_;
        const std::size_t digits = at_;
        while (more() && peek() >= '0' && peek() <= '9') ++at_;
        if (at_ == digits) return false;
        out = std::string(text_.substr(start, at_ - start));
        return true;
    }

    bool statement(Pref& pref) {
        bool named = false;
        for (const char* name : {"user_pref", "sticky_pref", "lockPref", "pref"}) {
            if (word(name)) {
                named = true;
                break;
            }
        }
        if (!named) return false;
        blanks();
        if (!word("(")) return false;
        blanks();
        if (!quoted(pref.key)) return false;
        pref.key = keyText(pref.key);
        blanks();
        if (!word(",")) return false;
        blanks();
        if (!value(pref.value)) return false;
        blanks();
        if (!word(")")) return false;
        blanks();
        return word(";");
    }

    void skipToSemicolon() {
        while (more()) {
            std::string ignored;
            if (peek() == '"' || peek() == '\'') {
                if (!quoted(ignored)) at_ = text_.size();
                continue;
            }
            if (text_.substr(at_, 2) == "/*" || text_.substr(at_, 2) == "//" || peek() == '#') {
                blanks();
                continue;
            }
            // A "/" that starts no comment takes the character after it along
            // (Thunderbird reads it to tell), a quote included.
            if (peek() == '/') {
                at_ += 2;
                continue;
            }
            if (text_[at_++] == ';') return;
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

Reading readPrefs(std::string_view text) { return Checker(text).read(); }

// The keys the summary in the log names: its lines are statements too.
std::vector<std::string> loggedKeys(const std::string& log) {
    std::vector<std::string> keys;
    std::size_t at = 0;
    // One statement a line: a value may hold a ";" (line breaks in values are
    // written escaped).
    while ((at = log.find("user_pref(", at)) != std::string::npos) {
        const auto end = std::min(log.find('\n', at), log.size());
        for (const auto& pref : readPrefs(log.substr(at, end - at)).prefs) keys.push_back(pref.key);
        at = end;
    }
    return keys;
}

// The last value of each key, as Thunderbird takes it.
std::map<std::string, std::string> valuesOf(const Reading& reading) {
    std::map<std::string, std::string> values;
    for (const auto& pref : reading.prefs) values[pref.key] = pref.value;
    return values;
}

// Where a URI (written "scheme://authority/path") points once its authority
// is set aside: the folder on whatever server.
std::optional<std::string> folderPath(const std::string& value) {
    const auto scheme = value.find("://");
    if (value.size() < 2 || (value.front() != '"' && value.front() != '\'') || scheme == std::string::npos) {
        return std::nullopt;
    }
    const auto path = value.find('/', scheme + 3);
    // Without the closing quote, which a rewritten statement may change.
    return path == std::string::npos ? std::string() : value.substr(path, value.size() - 1 - path);
}

// The account counter, and the folders of the account's identities and
// server, whatever their keys: a reset moves a folder URI on the old server
// to the new one, changing its user name and host alone.
bool mayChangeUnlogged(const std::string& key, const std::string& was, const std::string& is) {
    if (key == "\"mail.account.lastKey\"") return true;
    if (!key.starts_with("\"mail.identity.") && !key.starts_with("\"mail.server.")) return false;
    const auto from = folderPath(was);
    return from && from == folderPath(is);
}

// Every key of before is in after, in the same order of first appearance, and
// only logged keys changed their values.
void checkKept(const Reading& before, const Reading& after, const std::vector<std::string>& logged,
               const std::string& detail) {
    std::map<std::string, std::size_t> firstAfter;
    for (std::size_t i = 0; i < after.prefs.size(); ++i) firstAfter.emplace(after.prefs[i].key, i);
    std::size_t last = 0;
    std::map<std::string, bool> seen;
    for (const auto& pref : before.prefs) {
        if (seen[pref.key]) continue;
        seen[pref.key] = true;
        const auto found = firstAfter.find(pref.key);
        fuzz::check(found != firstAfter.end(), "a preference was lost", pref.key + "\n" + detail);
        fuzz::check(found->second >= last, "preferences changed their order", pref.key + "\n" + detail);
        last = found->second;
    }
    const auto old = valuesOf(before);
    const auto now = valuesOf(after);
    for (const auto& [key, value] : old) {
        if (now.at(key) == value || mayChangeUnlogged(key, value, now.at(key))) continue;
        bool isLogged = false;
        for (const auto& k : logged) isLogged = isLogged || k == key;
        fuzz::check(isLogged, "a value changed that the log does not name", key + "\n" + detail);
    }
}

// --- The runs -------------------------------------------------------------

struct Request {
    std::string address = "ann@example.com";
    bool makeDefault = false;
    bool overwrite = false;
    bool useSsl = true;
};

struct Result {
    ConfigOutcome outcome = OutcomeNoWriter;
    std::string prefs;
    std::string folder;
    std::string log;
};

Result configure(const std::string& prefs, const Request& request, std::size_t failing) {
    fuzz::World world;
    const std::string thunderbird = world.folder() + "\\Thunderbird";
    const std::string profile = thunderbird + "\\Profiles\\abc.default";
    fuzz::makeFolder(thunderbird);
    fuzz::makeFolder(thunderbird + "\\Profiles");
    fuzz::makeFolder(profile);
    fuzz::writeFile(thunderbird + "\\profiles.ini",
                    "[General]\r\nStartWithLastProfile=1\r\n\r\n[Profile0]\r\nName=default\r\nIsRelative=1\r\n"
                    "Path=Profiles/abc.default\r\nDefault=1\r\n");
    fuzz::writeFile(profile + "\\prefs.js", prefs);
    Result result;
    {
        SessionLog log;
        log.open(world.folder() + "\\Tidewell.log");
        std::optional<platform::testing::CallFaults> faults;
        if (failing != 0) faults.emplace(failing);
        ThunderbirdWriter writer(request.address, "Ann Example", request.makeDefault, request.overwrite,
                                 request.useSsl, log);
        result.outcome = writer.configure();
    }
    result.prefs = fuzz::readFile(profile + "\\prefs.js");
    result.folder = fuzz::filesBelow(profile);
    result.log = world.logText();
    return result;
}

// An address of the file's identities (so that the reset is taken), or a
// fixed one in either letter case.
std::string chooseAddress(const Reading& reading, int choice) {
    if (choice == 1) return "ANN@Example.com";
    if (choice >= 2) {
        for (const auto& pref : reading.prefs) {
            const bool useremail = pref.key.size() > 11 && pref.key.substr(pref.key.size() - 11) == ".useremail\"";
            if (!useremail || pref.value.size() < 3 || pref.value.front() != '"') continue;
            const std::string text = pref.value.substr(1, pref.value.size() - 2);
            if (!text.empty() && text.find_first_of("\\\" \t\r\n") == std::string::npos) return text;
        }
    }
    return "ann@example.com";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::initialise();
    return 0;
}

// The input: a byte of flags, a byte naming the call to fail (with flag 0x20),
// then prefs.js.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = fuzz::fileInput(data, size, 0x20);
    if (!input) return 0;
    const std::uint8_t flags = input->flags;
    const std::size_t failing = input->failing;
    const std::string& prefs = input->bytes;
    const Reading before = readPrefs(prefs);
    Request request;
    request.overwrite = (flags & 1) != 0;
    request.makeDefault = (flags & 2) != 0;
    request.useSsl = (flags & 4) == 0;
    request.address = chooseAddress(before, (flags >> 3) & 3);

    const Result first = configure(prefs, request, 0);
    const std::string detail = "--- before:\n" + prefs + "\n--- after:\n" + first.prefs + "\n--- log:\n" + first.log;
    fuzz::check(first.outcome == OutcomeConfigured || first.outcome == OutcomeCannotConfigure ||
                    first.outcome == OutcomeAccountExists,
                "an outcome the Thunderbird writer does not give", detail);
    fuzz::check(first.folder == "\\prefs.js = [" + first.prefs + "]\n", "a file beside prefs.js was left", detail);
    if (first.outcome != OutcomeConfigured) {
        fuzz::check(first.prefs == prefs, "a run that did not configure changed prefs.js", detail);
    } else {
        const Reading after = readPrefs(first.prefs);
        fuzz::check(after.unreadable <= before.unreadable, "the result has text Thunderbird cannot read",
                    std::to_string(before.unreadable) + " -> " + std::to_string(after.unreadable) + "\n" +
                        before.skipped + "--- now:\n" + after.skipped + detail);
        checkKept(before, after, loggedKeys(first.log), detail);

        Request again = request;
        again.overwrite = true;
        const Result second = configure(first.prefs, again, 0);
        const std::string detail2 = detail + "\n--- second:\n" + second.prefs + "\n--- log:\n" + second.log;
        fuzz::check(second.outcome == OutcomeConfigured, "a second run with -u did not configure", detail2);
        fuzz::check(second.log.find(" found. Reseting settings to defaults.") != std::string::npos,
                    "a second run with -u did not find the account", detail2);
        const Reading again2 = readPrefs(second.prefs);
        fuzz::check(again2.unreadable <= after.unreadable, "a second run made text Thunderbird cannot read", detail2);
        checkKept(after, again2, loggedKeys(second.log), detail2);
    }

    if (failing != 0) {
        const Result faulted = configure(prefs, request, failing);
        fuzz::check(faulted.folder == "\\prefs.js = [" + faulted.prefs + "]\n", "a failure left a file beside prefs.js",
                    faulted.log);
        if (faulted.outcome == OutcomeConfigured) {
            fuzz::check(faulted.prefs == first.prefs, "a run with a failed call reported success with another result",
                        faulted.log);
        } else {
            fuzz::check(faulted.prefs == prefs, "a failed run changed prefs.js", faulted.log);
        }
    }
    return 0;
}
