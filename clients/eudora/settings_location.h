// Where Eudora keeps Eudora.ini: under the user's application-data folder, or,
// for an installation that keeps its data beside the program, in the folder
// of the Eudora.exe that App Paths names.
#pragma once

#include <string>
#include <string_view>

#include "core/outcome.h"
#include "core/registry_access.h"
#include "core/session_log.h"

namespace tw::eudora {

struct SettingsFile {
    std::string path;      // Eudora.ini
    std::string tempPath;  // Eudora.tmp beside it, for the new copy
    std::string text;      // its bytes, read whole
};

// "<folder>\Qualcomm\Eudora\Eudora.ini" under the application-data folder.
std::string settingsPathInAppData(std::string_view appDataFolder);

// Eudora.ini beside the program of an App Paths entry, which may be quoted
// and may use %ProgramFiles%; empty when the entry does not name Eudora.exe.
std::string settingsPathBesideProgram(std::string_view appPathsEntry, RegistryView view);

// The temporary file: the settings path with its last three characters
// replaced by "tmp", so Eudora.tmp in the same folder.
std::string tempPathFor(std::string_view settingsPath);

// Finds Eudora.ini and reads it whole. Only a missing file sends the search on
// to the second place: a file that exists but cannot be read is a failure of
// its own, never taken for an absent one. On failure the log says why and the
// result is OutcomeCannotConfigure.
ConfigOutcome loadSettingsFile(std::string_view appDataFolder, SessionLog& log, SettingsFile& settings);

}  // namespace tw::eudora
