// Eudora.ini from the fuzz input, configured by the Eudora writer with the
// three courses (dominant personality, new personality, reset) and now and
// then one platform call failing. Properties:
// - the outcome is 0, 1 or 5, and no Eudora.tmp is left;
// - a run that fails, or finds the address without -u, leaves the file's bytes;
// - a run that succeeds keeps every line it does not own, byte for byte and
//   in order, and the account can be found again by its address;
// - a second run with -u on the result changes nothing;
// - a run with a failing call succeeds only with the result of the run without.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "clients/eudora/eudora_writer.h"
#include "clients/eudora/settings_file.h"
#include "core/address_check.h"
#include "core/session_log.h"
#include "tests/fuzz/support.h"

namespace {

using namespace tw;

struct Line {
    std::string text;
    std::string end;
};

// Lines as Eudora and the writer read them: LF, CR LF and a lone CR end one.
std::vector<Line> linesOf(std::string_view file) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < file.size()) {
        std::size_t end = file.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back({std::string(file.substr(start)), {}});
            break;
        }
        const std::size_t next = file[end] == '\r' && end + 1 < file.size() && file[end + 1] == '\n' ? end + 2 : end + 1;
        lines.push_back({std::string(file.substr(start, end - start)), std::string(file.substr(end, next - end))});
        start = next;
    }
    return lines;
}

// The keys a reset may replace: a line holding any of them may be the account's.
bool accountOwned(const std::string& text) {
    static const char* const kKeys[] = {"POPAccount", "RealName",  "SMTPServer",      "ReturnAddress", "POPServer",
                                        "LoginName",  "SmtpAuthAllowed", "SSLReceiveUse", "SSLSendUse", "UsesIMAP",
                                        "UsesPOP",    "IMAPPort",  "SMTPPort="};
    for (const char* key : kKeys) {
        if (text.find(key) != std::string::npos) return true;
    }
    return false;
}

// Every line of the old file that no reset test matches is in the new file, in
// order and with its own line end (a last line without one may gain one).
void checkLinesSurvive(const std::string& before, const std::string& after) {
    const auto old = linesOf(before);
    const auto now = linesOf(after);
    std::size_t at = 0;
    for (std::size_t i = 0; i < old.size(); ++i) {
        if (accountOwned(old[i].text)) continue;
        const bool lastWithoutEnd = i + 1 == old.size() && old[i].end.empty();
        while (at < now.size() && !(now[at].text == old[i].text && (lastWithoutEnd || now[at].end == old[i].end))) {
            ++at;
        }
        fuzz::check(at < now.size(), "a line the account does not own was lost", old[i].text);
        ++at;
    }
}

struct Request {
    std::string address;
    std::string displayName;
    bool overwrite = false;
    bool useSsl = true;
};

struct Result {
    ConfigOutcome outcome = OutcomeNoWriter;
    std::string ini;
    std::string folder;  // the Eudora folder's files
    std::string log;
    bool failed = false;  // the call to fail was made, and failed
};

Result configure(const std::string& ini, const Request& request, std::size_t failing) {
    fuzz::World world;
    const std::string eudora = world.folder() + "\\Qualcomm\\Eudora";
    fuzz::makeFolder(world.folder() + "\\Qualcomm");
    fuzz::makeFolder(eudora);
    fuzz::writeFile(eudora + "\\Eudora.ini", ini);
    Result result;
    {
        SessionLog log;
        log.open(world.folder() + "\\Tidewell.log");
        std::optional<platform::testing::CallFaults> faults;
        if (failing != 0) faults.emplace(failing);
        EudoraWriter writer(request.address, request.displayName, request.overwrite, request.useSsl, log);
        result.outcome = writer.configure();
        result.failed = faults && faults->failed();
    }
    result.ini = fuzz::readFile(eudora + "\\Eudora.ini");
    result.folder = fuzz::filesBelow(eudora);
    result.log = world.logText();
    return result;
}

// The address the request is for: a fixed one, one the file already holds
// (so that the found course is taken), or the file's first line.
std::string chooseAddress(const std::string& ini, int choice) {
    std::string address = "ann@example.com";
    const auto lines = linesOf(ini);
    if (choice == 1) {
        for (const auto& line : lines) {
            const auto at = line.text.find("ReturnAddress=");
            if (at != std::string::npos) {
                address = std::string(eudora::trimmed(std::string_view(line.text).substr(at + 14)));
                break;
            }
        }
    } else if (choice == 2 && !lines.empty()) {
        address = lines.front().text.substr(0, 60);
    }
    // As the request makes it: no blanks around it, and no NUL, which no
    // command line or dialog can hold.
    address = std::string(withoutBlanks(address));
    const bool usable = !addressProblem(address) && address.find('\0') == std::string::npos;
    return usable ? address : std::string("ann@example.com");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::initialise();
    return 0;
}

// The input: a byte of flags, a byte naming the call to fail (with flag 0x10),
// then Eudora.ini.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = fuzz::fileInput(data, size, 0x10);
    if (!input) return 0;
    const std::uint8_t flags = input->flags;
    const std::size_t failing = input->failing;
    const std::string& ini = input->bytes;
    Request request;
    request.overwrite = (flags & 1) != 0;
    request.useSsl = (flags & 2) == 0;
    request.address = chooseAddress(ini, (flags >> 2) & 3);
    // A display name with the account's keys in it, now and then.
    request.displayName = (flags & 0x20) != 0 ? "Ann RealName UsesPOP=1 SMTPPort=" : "Ann Example";

    const Result first = configure(ini, request, 0);
    fuzz::check(first.outcome == OutcomeConfigured || first.outcome == OutcomeCannotConfigure ||
                    first.outcome == OutcomeAccountExists,
                "an outcome the Eudora writer does not give");
    fuzz::check(first.folder == "\\Eudora.ini = [" + first.ini + "]\n", "a file beside Eudora.ini was left",
                first.folder);
    if (first.outcome != OutcomeConfigured) {
        fuzz::check(first.ini == ini, "Eudora.ini changed by a run that did not configure");
    } else {
        checkLinesSurvive(ini, first.ini);
        fuzz::check(eudora::findAccountByReturnAddress(first.ini, request.address).found,
                    "the account written cannot be found again",
                    "address [" + request.address + "]\n" + first.ini + "\n--- log:\n" + first.log);
        Request again = request;
        again.overwrite = true;
        const Result second = configure(first.ini, again, 0);
        fuzz::check(second.outcome == OutcomeConfigured, "a second run with -u did not configure");
        fuzz::check(second.ini == first.ini, "a second run with -u changed the file", second.ini);
    }

    if (failing != 0) {
        const Result faulted = configure(ini, request, failing);
        fuzz::check(faulted.folder == "\\Eudora.ini = [" + faulted.ini + "]\n", "a failure left a file beside Eudora.ini",
                    faulted.folder);
        if (faulted.outcome == OutcomeConfigured) {
            fuzz::check(faulted.ini == first.ini, "a run with a failed call reported success with another result");
        } else {
            fuzz::check(faulted.ini == ini, "a failed run changed Eudora.ini");
        }
    }
    return 0;
}
