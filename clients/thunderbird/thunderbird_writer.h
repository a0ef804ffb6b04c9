// Configures the provider's IMAP account in the default Thunderbird profile by
// rewriting its prefs.js: the first account of an empty profile, a new
// account beside the user's others, or, with overwriteExisting, the account
// that already serves the address, reset to the provider's settings.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "clients/thunderbird/prefs_reader.h"
#include "clients/thunderbird/prefs_rewrites.h"
#include "clients/thunderbird/profile_discovery.h"
#include "core/outcome.h"
#include "core/session_log.h"
#include "platform/files.h"

namespace tw {

class ThunderbirdWriter {
public:
    ThunderbirdWriter(std::string address, std::string displayName, bool makeDefault, bool overwriteExisting,
                      bool useSsl, SessionLog& log);

    // OutcomeConfigured; OutcomeAccountExists when the address has an account
    // and overwriteExisting is false; OutcomeClientNeverRun when Thunderbird
    // has no profile list yet; OutcomeCannotConfigure when the profile cannot
    // be found, read or written. prefs.js is only ever replaced by a complete
    // new copy, so every failure leaves it as it was.
    ConfigOutcome configure();

private:
    // What the log lists as written, and with which keys.
    struct Summary {
        std::string account;
        std::string server;
        std::string identity;
        std::string smtp = "smtp1";
        std::string outgoingList = "smtp1";
        bool showSocketType = false;
        bool showDefaultOutgoing = true;
        bool localFolders = true;
        // A reset writes no folder lines of its own: it lists the identity's
        // folders as they stand afterwards, and leaves out one it lacks.
        bool foldersAsTheyStand = false;
        std::vector<std::string> folderLines{};
    };

    ConfigOutcome openPreferences();
    platform::Status createProfileFolder();
    // Reads prefs.js through; false (and a log line) when it cannot be read whole.
    bool readThrough(const thunderbird::PrefsDocument& document);
    ConfigOutcome configureIn(thunderbird::PrefsSource& source);
    ConfigOutcome writeFirstAccount(const thunderbird::PrefsDocument& document, thunderbird::PrefsSource& source);
    ConfigOutcome writeNewAccount(const thunderbird::PrefsReader& reader, thunderbird::PrefsSource& source);
    ConfigOutcome resetAccount(const thunderbird::PrefsReader& reader,
                               const thunderbird::PrefsReader::AddressAccount& found, thunderbird::PrefsSource& source);
    // Writes prefs.tmp as prefs.js with the edits that rewrite makes, which
    // gives the outgoing-server list it wrote (or nothing), and puts it in the
    // place of prefs.js.
    using Rewrite = std::function<std::string(thunderbird::PrefsEdits&)>;
    ConfigOutcome save(const thunderbird::PrefsDocument& document, thunderbird::PrefsSource& source,
                       const Rewrite& rewrite, Summary summary);
    void logSummary(const Summary& summary);

    bool useSsl;
    std::string address;
    std::string displayName;
    bool makeDefault;
    bool overwriteExisting;
    SessionLog* log;
    thunderbird::ProfileLocation profile;
    thunderbird::AccountSettings fileSettings;  // UTF-8 and escaped, as prefs.js holds text
    std::string fileAddress;                    // UTF-8, as Thunderbird reads it
    platform::FileReader prefsFile;             // prefs.js, unless the profile has none yet
    bool prefsFileOpen = false;
};

}  // namespace tw
