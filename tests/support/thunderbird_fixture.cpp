#include "tests/support/thunderbird_fixture.h"

#include "clients/thunderbird/thunderbird_writer.h"
#include "core/provider.h"
#include "core/session_log.h"
#include "platform/files.h"

namespace tw::test {

void ThunderbirdTest::writeProfilesIni(std::string_view text) {
    ASSERT_EQ(platform::createFolder(thunderbirdFolder()), platform::kSuccess);
    ASSERT_EQ(platform::writeNewFile(thunderbirdFolder() + "\\profiles.ini", text), platform::kSuccess);
}

void ThunderbirdTest::seedProfile(std::optional<std::string_view> prefs) {
    writeProfilesIni();
    ASSERT_EQ(platform::createFolder(thunderbirdFolder() + "\\Profiles"), platform::kSuccess);
    ASSERT_EQ(platform::createFolder(profileFolder()), platform::kSuccess);
    if (prefs) {
        ASSERT_EQ(platform::writeNewFile(prefsFile(), *prefs), platform::kSuccess);
    }
}

ConfigOutcome ThunderbirdTest::configure(const std::string& address, const std::string& name, WriterFlags flags) {
    SessionLog log;
    log.open(logFile());
    ThunderbirdWriter writer(address, name, flags.makeDefault, flags.overwriteExisting, flags.useSsl, log);
    const ConfigOutcome outcome = writer.configure();
    log.close();
    return outcome;
}

std::string ThunderbirdTest::prefsText() const {
    const std::string bytes = prefsBytes();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const bool loneLf = bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r');
        const bool loneCr = bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n');
        if (loneLf || loneCr) {
            ADD_FAILURE() << "a line of prefs.js ends in a lone " << (loneLf ? "LF" : "CR") << " at byte " << i;
            break;
        }
    }
    return crlfToLf(bytes);
}

std::string ThunderbirdTest::prefsBytes() const { return readFile(prefsFile()); }

std::string linesOf(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (std::string_view line : lines) text.append(line).append("\n");
    return text;
}

std::string withLineEnds(std::string_view text, std::string_view end) {
    std::string result;
    for (char c : text) {
        if (c == '\n') {
            result += end;
        } else {
            result += c;
        }
    }
    return result;
}

std::string withHosts(std::string text) {
    for (const auto& [placeholder, host] : {std::pair<std::string_view, std::string_view>{"$SECURE", SecureHost},
                                            {"$IMAP", ImapHost},
                                            {"$SMTP", SmtpHost}}) {
        for (auto at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at)) {
            text.replace(at, placeholder.size(), host);
        }
    }
    return text;
}

}  // namespace tw::test
