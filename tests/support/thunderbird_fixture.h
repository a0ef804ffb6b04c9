// A Thunderbird data folder under the test's application-data folder, and a
// way to run the Thunderbird writer on it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/outcome.h"
#include "tests/support/test_env.h"

namespace tw::test {

struct WriterFlags {
    bool makeDefault = false;
    bool overwriteExisting = false;
    bool useSsl = true;
};

class ThunderbirdTest : public TidewellTest {
protected:
    std::string thunderbirdFolder() const { return folder() + "\\Thunderbird"; }
    std::string profileFolder() const { return thunderbirdFolder() + "\\Profiles\\abc.default"; }
    std::string prefsFile() const { return profileFolder() + "\\prefs.js"; }

    // profiles.ini with the one profile Profiles/abc.default.
    void writeProfilesIni(std::string_view text = "[General]\nStartWithLastProfile=1\n\n[Profile0]\nName=default\n"
                                                  "IsRelative=1\nPath=Profiles/abc.default\n");
    // The profile folder, and its prefs.js when text is given (lines end as written).
    void seedProfile(std::optional<std::string_view> prefs);

    // Runs the writer with the session log open on the test's log file.
    ConfigOutcome configure(const std::string& address, const std::string& name, WriterFlags flags = {});

    // prefs.js with every CR LF shown as "\n"; a lone LF or CR fails the test.
    std::string prefsText() const;
    // prefs.js as it is.
    std::string prefsBytes() const;
};

// The lines joined with "\n" after each, and the provider's hosts put in for
// $SECURE, $IMAP and $SMTP.
std::string linesOf(std::initializer_list<std::string_view> lines);
// The text with each "\n" made the given line end ("\r\n", "\r").
std::string withLineEnds(std::string_view text, std::string_view end);
std::string withHosts(std::string text);

}  // namespace tw::test
