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

// The profile Thunderbird starts with, from the text of profiles.ini:
//  1. the profile an [Install...] section names as its "Default=": current
//     Thunderbird starts with that one, and the profile it also lists as
//     "Name=default" is then an unused one it made for older versions;
//  2. otherwise the first profile whose name begins with "default"
//     ("default-release" too);
//  3. otherwise the profile marked "Default=1".
// Nothing when none qualifies.
std::optional<DefaultProfile> readDefaultProfilePath(std::string_view profilesIni);

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
