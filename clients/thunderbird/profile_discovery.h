// Finding the Thunderbird profile to configure: profiles.ini in
// <application data>\Thunderbird lists the profiles and says which one
// Thunderbird starts with.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/outcome.h"
#include "core/session_log.h"

namespace tw::thunderbird {

struct DefaultProfile {
    std::string path;  // the "Path=" value, in the program's 8-bit text
    bool isRelative = true;
};

// The profile Thunderbird starts with, from the text of profiles.ini, of
// installs.ini (empty when there is none) and the hash of this Thunderbird's
// installation folder (empty when it is not known), in this order:
//  1. the profile this installation's section names as its "Default=":
//     [Install<hash>] in profiles.ini, or [<hash>] in installs.ini when
//     profiles.ini has no version, as Thunderbird 67 and 68 (or an older one
//     run since) left it;
//  2. when that section cannot be found and there is exactly one install
//     section, the profile it names;
//  3. the profile marked "Default=1";
//  4. the only profile;
//  5. the first profile whose name begins with "default" ("default-release" too).
// Nothing when none qualifies.
std::optional<DefaultProfile> readDefaultProfilePath(std::string_view profilesIni, std::string_view installsIni = {},
                                                     std::string_view installHash = {});

// Where the profile's files are.
struct ProfileLocation {
    std::string profilesFolder;  // <application data>\Thunderbird\Profiles
    std::string profilePath;     // relative to the Thunderbird folder, or absolute
    std::string profileFolder;
    bool isRelative = true;
    std::string prefsFile;
    std::string tempFile;
};

// Reads profiles.ini and picks the profile, logging each step. OutcomeConfigured
// when a profile was found; OutcomeClientNeverRun when there is no profiles.ini
// (Thunderbird has never run); OutcomeCannotConfigure when it cannot be read or
// names no profile to use.
ConfigOutcome discoverProfile(SessionLog& log, ProfileLocation& location);

}  // namespace tw::thunderbird
