// profiles.ini and installs.ini from the fuzz input: the choice of the
// profile Thunderbird starts with, and the whole discovery on those files.
// Properties, checked with a reading of the files of the target's own:
// - the profile chosen is one the files name (a Path= of profiles.ini, or the
//   Default= of an install section), never a text of their own;
// - where the files leave no doubt, the choice is Thunderbird's: this
//   installation's [Install<hash>] section when it names a profile, else the
//   profile marked Default=1, else the only profile;
// - the discovery never writes, and finds a profile exactly when the choice
//   does; its folder is below the Thunderbird folder for a relative path.
#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "clients/thunderbird/profile_discovery.h"
#include "core/session_log.h"
#include "tests/fuzz/support.h"

namespace {

using namespace tw;

constexpr std::string_view kHash = "308046B0AF4A39CB";

struct Section {
    std::string name;
    std::map<std::string, std::vector<std::string>> values;  // every value a key has
};

// Lines ended by LF, CR LF or a lone CR; "[name]" opens a section; "key=value"
// belongs to the last section opened.
std::vector<Section> sectionsOf(std::string_view text) {
    std::vector<Section> sections;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            sections.push_back({std::string(line.substr(1, line.size() - 2)), {}});
        } else if (const auto equals = line.find('='); equals != std::string_view::npos && !sections.empty()) {
            sections.back().values[std::string(line.substr(0, equals))].emplace_back(line.substr(equals + 1));
        }
    }
    return sections;
}

// A key's only value in a section, when it has exactly one.
std::optional<std::string> only(const Section& section, const std::string& key) {
    const auto found = section.values.find(key);
    if (found == section.values.end() || found->second.size() != 1) return std::nullopt;
    return found->second.front();
}

bool isAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80 || static_cast<unsigned char>(c) < 0x20) return false;
    }
    return true;
}

// The profile Thunderbird starts with where the files leave no doubt: the
// sections involved are unique, their keys have one value each, and the
// texts are plain ASCII.
std::optional<std::string> certainChoice(const std::vector<Section>& profiles, const std::vector<Section>& installs) {
    std::map<std::string, int> names;
    for (const auto& s : profiles) ++names[s.name];
    for (const auto& s : installs) ++names["installs:" + s.name];
    for (const auto& [name, count] : names) {
        if (count > 1) return std::nullopt;
    }
    int installSections = 0;
    for (const auto& s : profiles) installSections += s.name.starts_with("Install") ? 1 : 0;
    if (installSections > 0 || !installs.empty()) {
        // This installation's own section in a profiles.ini of today's
        // Thunderbird (Version=2, no installs.ini) decides alone when it names
        // one of the profiles. The other install rules are the unit tests'.
        bool current = false;
        for (const auto& s : profiles) current = current || (s.name == "General" && only(s, "Version") == "2");
        if (!current || !installs.empty()) return std::nullopt;
        for (const auto& s : profiles) {
            if (s.name != "Install" + std::string(kHash)) continue;
            const auto path = only(s, "Default");
            if (!path || path->empty() || !isAscii(*path)) return std::nullopt;
            for (const auto& profile : profiles) {
                if (profile.name.starts_with("Profile") && only(profile, "Path") == *path) return path;
            }
        }
        return std::nullopt;
    }
    std::vector<const Section*> withPath;
    for (const auto& s : profiles) {
        if (!s.name.starts_with("Profile") || s.values.count("Path") == 0) continue;
        const auto path = only(s, "Path");
        if (!path || !isAscii(*path)) return std::nullopt;  // a Path twice, or not plain: no certainty
        if (!path->empty()) withPath.push_back(&s);
    }
    const Section* marked = nullptr;
    for (const auto* s : withPath) {
        if (s->values.count("Default") == 0) continue;
        const auto value = only(*s, "Default");
        if (!value) return std::nullopt;
        if (*value == "1") {
            if (marked != nullptr) return std::nullopt;
            marked = s;
        }
    }
    if (marked != nullptr) return only(*marked, "Path");
    if (withPath.size() == 1) return only(*withPath.front(), "Path");
    return std::nullopt;
}

// Every text the files offer as a profile's path.
bool named(const std::string& path, const std::vector<Section>& profiles, const std::vector<Section>& installs) {
    for (const auto* sections : {&profiles, &installs}) {
        for (const auto& s : *sections) {
            for (const char* key : {"Path", "Default"}) {
                const auto found = s.values.find(key);
                if (found == s.values.end()) continue;
                for (const auto& value : found->second) {
                    if (value == path) return true;
                }
            }
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::initialise();
    return 0;
}

// The input: profiles.ini, then after a NUL byte installs.ini.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const auto cut = input.find('\0');
    const std::string profilesIni = input.substr(0, cut);
    const std::string installsIni = cut == std::string::npos ? std::string() : input.substr(cut + 1);

    const auto choice = thunderbird::readDefaultProfilePath(profilesIni, installsIni, kHash);
    const auto profiles = sectionsOf(profilesIni);
    const auto installs = sectionsOf(installsIni);
    // Texts beyond ASCII reach the program through the ANSI code page (a
    // character it lacks becomes "?"), so only ASCII files are compared.
    const bool asciiFiles = std::all_of(input.begin(), input.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x80;
    });
    if (choice && asciiFiles) {
        fuzz::check(named(choice->path, profiles, installs), "a profile the files do not name", choice->path);
    }
    if (const auto certain = certainChoice(profiles, installs)) {
        fuzz::check(choice && choice->path == *certain, "not the profile Thunderbird starts with",
                    *certain + " / " + (choice ? choice->path : std::string("none")));
    }

    // The whole discovery on the files.
    fuzz::World world;
    const std::string thunderbird = world.folder() + "\\Thunderbird";
    fuzz::makeFolder(thunderbird);
    fuzz::writeFile(thunderbird + "\\profiles.ini", profilesIni);
    if (cut != std::string::npos) fuzz::writeFile(thunderbird + "\\installs.ini", installsIni);
    const std::string before = fuzz::filesBelow(world.folder());
    thunderbird::ProfileLocation location;
    ConfigOutcome outcome = OutcomeNoWriter;
    {
        SessionLog log;
        log.open(world.folder() + "\\Tidewell.log");
        outcome = thunderbird::discoverProfile(log, location);
    }
    fuzz::check(fuzz::filesBelow(world.folder()) == before, "the discovery wrote a file");
    fuzz::check(outcome == OutcomeConfigured || outcome == OutcomeCannotConfigure,
                "an outcome the discovery does not give", world.logText());
    // No install folder is registered here, so the discovery knows no hash:
    // its choice is the one made without.
    const auto withoutHash = thunderbird::readDefaultProfilePath(profilesIni, installsIni);
    fuzz::check((outcome == OutcomeConfigured) == withoutHash.has_value(),
                "the discovery and the choice disagree on whether there is a profile", world.logText());
    if (outcome == OutcomeConfigured && location.isRelative) {
        fuzz::check(location.profileFolder.starts_with(thunderbird + "\\"),
                    "a relative profile outside the Thunderbird folder", location.profileFolder);
        fuzz::check(location.prefsFile == location.profileFolder + "\\prefs.js", "prefs.js is not in the profile");
    }
    return 0;
}
