#include "clients/eudora/settings_location.h"

#include "core/ascii.h"
#include "core/markers.h"
#include "core/registry_access.h"
#include "platform/files.h"

namespace tw::eudora {
namespace {

constexpr std::string_view kProgramName = "Eudora.exe";
constexpr std::string_view kSettingsName = "Eudora.ini";

bool isMissing(platform::Status rc) { return rc == platform::kErrorFileNotFound || rc == platform::kErrorPathNotFound; }

enum class Read { Done, Missing, Failed };

Read readSettings(const std::string& path, SessionLog& log, SettingsFile& settings) {
    const platform::Status rc = platform::readWholeFile(path, settings.text);
    if (isMissing(rc)) return Read::Missing;
    if (rc != platform::kSuccess) {
        // Held open by another program, for instance.
        log << "Unable to read " << path << " (error " << rc << "). No changes have been made.";
        log.endLine();
        return Read::Failed;
    }
    settings.path = path;
    settings.tempPath = tempPathFor(path);
    return Read::Done;
}

}  // namespace

std::string settingsPathInAppData(std::string_view appDataFolder) {
    return std::string(appDataFolder) + "\\Qualcomm\\Eudora\\Eudora.ini";
}

std::string settingsPathBesideProgram(std::string_view appPathsEntry, RegistryView view) {
    std::string program = expandProgramFiles(std::string(appPathsEntry), view);
    if (program.size() >= 2 && program.front() == '"' && program.back() == '"') {
        program = program.substr(1, program.size() - 2);
    }
    // Windows file names ignore case: "EUDORA.EXE" is the same program.
    const auto slash = program.find_last_of("\\/");
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (!equalIgnoringCase(std::string_view(program).substr(nameStart), kProgramName)) return {};
    return program.substr(0, nameStart) + std::string(kSettingsName);
}

std::string tempPathFor(std::string_view settingsPath) {
    std::string temp(settingsPath);
    temp.replace(temp.size() - 3, 3, "tmp");
    return temp;
}

ConfigOutcome loadSettingsFile(std::string_view appDataFolder, SessionLog& log, SettingsFile& settings) {
    std::string looked;
    if (!appDataFolder.empty()) {
        const std::string path = settingsPathInAppData(appDataFolder);
        switch (readSettings(path, log, settings)) {
        case Read::Done: return OutcomeConfigured;
        case Read::Failed: return OutcomeCannotConfigure;
        case Read::Missing: looked = path; break;
        }
    }
    // App Paths is only read, so it needs no more than read access: a user
    // without administrator rights may not open HKLM for writing.
    RegistryView view = RegistryView::Bits64;
    const std::string entry = programPath(kProgramName, platform::kKeyRead, &view);
    const std::string besideProgram = entry == kErrorMarker ? std::string() : settingsPathBesideProgram(entry, view);
    if (!besideProgram.empty()) {
        switch (readSettings(besideProgram, log, settings)) {
        case Read::Done: return OutcomeConfigured;
        case Read::Failed: return OutcomeCannotConfigure;
        case Read::Missing: looked += (looked.empty() ? "" : " or ") + besideProgram; break;
        }
    }
    log << "No Eudora settings file was found";
    if (!looked.empty()) log << " at " << looked;
    log << ".";
    if (besideProgram.empty()) log << " App Paths names no Eudora.exe.";
    log.endLine();
    return OutcomeCannotConfigure;
}

}  // namespace tw::eudora
