#include "clients/thunderbird/profile_discovery.h"

#include <algorithm>
#include <vector>

#include "clients/thunderbird/install_hash.h"
#include "clients/thunderbird/pref_file.h"
#include "core/client_kind.h"
#include "core/markers.h"
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
    bool has(std::string_view key) const {
        return std::any_of(entries.begin(), entries.end(), [key](const auto& entry) { return entry.first == key; });
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

namespace {

// The profile each installation starts with, by the hash of its folder.
struct InstallSection {
    std::string_view hash;
    std::string_view profilePath;
};

// A profiles.ini without a version (as Thunderbird before 69 wrote it) keeps
// its install sections in installs.ini, named by the hash alone; Thunderbird
// then takes them from there, over any of the same name.
std::vector<InstallSection> installSections(const std::vector<IniSection>& profiles,
                                            std::string_view installsIni) {
    constexpr std::string_view kInstall = "Install";
    std::vector<InstallSection> installs;
    bool versioned = false;
    for (const auto& section : profiles) {
        if (section.name.starts_with(kInstall)) {
            installs.push_back({section.name.substr(kInstall.size()), section.value("Default")});
        }
        if (section.name == "General" && section.has("Version")) versioned = true;
    }
    if (versioned) return installs;
    for (const auto& section : parseIni(installsIni)) {
        const auto same = std::find_if(installs.begin(), installs.end(),
                                       [&](const InstallSection& install) { return install.hash == section.name; });
        if (same == installs.end()) {
            installs.push_back({section.name, section.value("Default")});
        } else if (section.has("Default")) {
            same->profilePath = section.value("Default");
        }
    }
    return installs;
}

std::optional<std::string_view> installedProfile(const std::vector<InstallSection>& installs,
                                                 std::string_view installHash) {
    if (!installHash.empty()) {
        for (const auto& install : installs) {
            if (install.hash == installHash && !install.profilePath.empty()) return install.profilePath;
        }
    }
    if (installs.size() == 1 && !installs.front().profilePath.empty()) return installs.front().profilePath;
    return std::nullopt;
}

}  // namespace

std::optional<DefaultProfile> readDefaultProfilePath(std::string_view profilesIni, std::string_view installsIni,
                                                     std::string_view installHash) {
    const std::vector<IniSection> sections = parseIni(profilesIni);
    if (const auto path = installedProfile(installSections(sections, installsIni), installHash)) {
        return describe(sections, *path);
    }
    std::vector<const IniSection*> profiles;
    for (const auto& section : sections) {
        if (isProfileSection(section)) profiles.push_back(&section);
    }
    for (const auto* profile : profiles) {
        if (profile->value("Default") == "1") return describe(sections, profile->value("Path"));
    }
    if (profiles.size() == 1) return describe(sections, profiles.front()->value("Path"));
    for (const auto* profile : profiles) {
        if (profile->value("Name").starts_with("default")) return describe(sections, profile->value("Path"));
    }
    return std::nullopt;
}

namespace {

// The hash of this Thunderbird's installation, from the folder App Paths
// registers it in: the same lookup the client launch makes, in either
// registry view (a 64-bit Thunderbird in the 64-bit one, a 32-bit one in the
// 32-bit one), with "%ProgramFiles%" meaning that view's program folder.
std::string thunderbirdInstallHash() {
    RegistryView view = RegistryView::Bits64;
    const std::string path = programPath(clientImageName(Thunderbird), platform::kKeyRead, &view);
    return path == kErrorMarker ? std::string() : installFolderHash(path, view);
}

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
    // Where older versions kept the install sections: without it (or when it
    // cannot be read) the choice goes by profiles.ini alone.
    std::string installs;
    if (platform::readWholeFile(thunderbirdFolder + "\\installs.ini", installs) != platform::kSuccess) installs.clear();
    const auto profile = readDefaultProfilePath(text, installs, thunderbirdInstallHash());
    if (!profile) {
        log << "No default profile found in " << profilesIni << ".";
        log.endLine();
        return OutcomeCannotConfigure;
    }
    placeProfile(thunderbirdFolder, *profile, location);
    return OutcomeConfigured;
}

}  // namespace tw::thunderbird
