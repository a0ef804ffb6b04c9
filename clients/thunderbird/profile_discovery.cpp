#include "clients/thunderbird/profile_discovery.h"

#include <vector>

#include "clients/thunderbird/pref_file.h"
#include "core/registry_access.h"
#include "platform/files.h"
#include "platform/text.h"

namespace tw::thunderbird {
namespace {

struct IniSection {
    std::string_view name;
    std::vector<std::pair<std::string_view, std::string_view>> entries;

    std::string_view value(std::string_view key) const {
        for (const auto& [k, v] : entries) {
            if (k == key) return v;
        }
        return {};
    }
};

std::vector<IniSection> parseIni(std::string_view text) {
    std::vector<IniSection> sections;
    for (std::string_view line : splitLines(text)) {
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            sections.push_back({line.substr(1, line.size() - 2), {}});
            continue;
        }
        const auto equals = line.find('=');
        if (sections.empty() || equals == std::string_view::npos) continue;
        sections.back().entries.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
    return sections;
}

bool isProfileSection(const IniSection& section) {
    return section.name.starts_with("Profile") && !section.value("Path").empty();
}

bool looksAbsolute(std::string_view path) {
    return (path.size() >= 2 && path[1] == ':') || path.starts_with("\\\\") || path.starts_with("//");
}

// A well-formed UTF-8 text (as current Thunderbird writes profiles.ini), which
// is then turned into the program's 8-bit text; anything else is taken as 8-bit
// text already, as older versions wrote it.
bool isUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i++]);
        const int extra = lead < 0x80 ? 0 : lead >= 0xC2 && lead < 0xE0 ? 1 : lead >= 0xE0 && lead < 0xF0 ? 2
                                        : lead >= 0xF0 && lead < 0xF5 ? 3 : -1;
        if (extra < 0) return false;
        for (int k = 0; k < extra; ++k, ++i) {
            if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return false;
        }
    }
    return true;
}

DefaultProfile describe(const std::vector<IniSection>& sections, std::string_view path) {
    DefaultProfile profile;
    profile.path = isUtf8(path) ? platform::utf8ToAnsi(path) : std::string(path);
    profile.isRelative = !looksAbsolute(path);
    for (const auto& section : sections) {
        if (isProfileSection(section) && section.value("Path") == path) {
            profile.isRelative = section.value("IsRelative") != "0";
            break;
        }
    }
    return profile;
}

}  // namespace

std::optional<DefaultProfile> readDefaultProfilePath(std::string_view profilesIni) {
    const std::vector<IniSection> sections = parseIni(profilesIni);
    for (const auto& section : sections) {
        const std::string_view path = section.value("Default");
        if (section.name.starts_with("Install") && !path.empty()) return describe(sections, path);
    }
    for (const auto& section : sections) {
        if (isProfileSection(section) && section.value("Name").starts_with("default")) {
            return describe(sections, section.value("Path"));
        }
    }
    for (const auto& section : sections) {
        if (isProfileSection(section) && section.value("Default") == "1") {
            return describe(sections, section.value("Path"));
        }
    }
    return std::nullopt;
}

namespace {

void placeProfile(const std::string& thunderbirdFolder, const DefaultProfile& profile, ProfileLocation& location) {
    location.profilesFolder = thunderbirdFolder + "\\Profiles";
    location.isRelative = profile.isRelative;
    location.profilePath = profile.path;
    if (profile.isRelative) {
        // Thunderbird writes relative paths with "/". The first one, after
        // "Profiles", becomes "\"; Windows takes any further "/" as a
        // separator as it stands.
        const auto slash = location.profilePath.find('/');
        if (slash != std::string::npos) location.profilePath[slash] = '\\';
        location.profileFolder = thunderbirdFolder + "\\" + location.profilePath;
    } else {
        location.profileFolder = location.profilePath;
    }
    location.prefsFile = location.profileFolder + "\\prefs.js";
    location.tempFile = location.profileFolder + "\\prefs.tmp";
}

}  // namespace

ConfigOutcome discoverProfile(SessionLog& log, ProfileLocation& location) {
    log.lineBlank("Starting Thunderbird configuration...");
    const std::string appData = appDataFolder(&log);
    if (appData.empty()) {
        log.line("The user's application data folder is not known. No changes have been made.");
        return OutcomeCannotConfigure;
    }
    const std::string thunderbirdFolder = appData + "\\Thunderbird";
    const std::string profilesIni = thunderbirdFolder + "\\profiles.ini";
    log << "Users profile created at: " << profilesIni;
    log.endLine();

    std::string text;
    const platform::Status rc = platform::readWholeFile(profilesIni, text);
    if (rc == platform::kErrorFileNotFound || rc == platform::kErrorPathNotFound) {
        // Thunderbird ignores a profile list it did not make itself and would
        // set up a profile of its own on its first start, so nothing written
        // now would be seen.
        log.line("Profile data not found. Thunderbird has not been run for the first time.");
        return OutcomeClientNeverRun;
    }
    if (rc != platform::kSuccess) {
        log << "Unable to read " << profilesIni << " (error " << rc << ").";
        log.endLine();
        return OutcomeCannotConfigure;
    }
    const auto profile = readDefaultProfilePath(text);
    if (!profile) {
        log << "No default profile found in " << profilesIni << ".";
        log.endLine();
        return OutcomeCannotConfigure;
    }
    placeProfile(thunderbirdFolder, *profile, location);
    return OutcomeConfigured;
}

}  // namespace tw::thunderbird
