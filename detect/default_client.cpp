#include "detect/default_client.h"

#include <array>
#include <string>

#include "core/ascii.h"
#include "core/markers.h"
#include "core/registry_access.h"
#include "platform/registry.h"

namespace tw {

int classifyMailtoCommand(std::string_view command) {
    const std::string lower = lowerAscii(command);
    // Later tests win, so a command naming several clients resolves in favour of
    // the last one in this list.
    struct Rule {
        std::string_view text;
        int code;
    };
    constexpr std::array<Rule, 5> kRules = {
        Rule{"thunde", 5}, Rule{"eudora", 4}, Rule{"winmail", 3}, Rule{"outlook.exe", 2}, Rule{"msimn", 1}};
    int code = 0;
    for (const auto& rule : kRules) {
        if (lower.find(rule.text) != std::string::npos) code = rule.code;
    }
    return code;
}

// Read in this program's own registry view, whatever its bitness: 64-bit
// Windows 7 and later share HKEY_CLASSES_ROOT\mailto between the 32-bit and
// 64-bit views, and 64-bit XP and Vista copy it from one to the other
// (registry reflection), so both views hold the command the shell runs.
int detectDefaultClient(std::string* failure) {
    std::string problem;
    const std::string command =
        readRegistryText(platform::Hive::ClassesRoot, "mailto\\shell\\open\\command", "", platform::kKeyRead, problem);
    if (failure != nullptr) *failure = problem;
    return command == kErrorMarker ? 0 : classifyMailtoCommand(command);
}

std::string_view defaultClientLogText(int code) {
    switch (code) {
    case 1: return "found. (Microsoft Outlook Express)";
    case 2: return "found. (Microsoft Outlook)";
    case 3: return "found. (Microsoft Windows Mail)";
    case 4: return "found. (Qualcomm Eudora)";
    case 5: return "found. (Mozilla Thunderbird)";
    default: return "unrecognized.";
    }
}

}  // namespace tw
