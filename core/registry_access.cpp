#include "core/registry_access.h"

#include "core/markers.h"
#include "platform/system.h"

namespace tw {

std::string readRegistryText(platform::Hive hive, std::string_view keyPath, std::string_view valueName,
                             std::uint32_t access) {
    platform::RegKey key;
    if (key.open(hive, keyPath, access) != platform::kSuccess) return std::string(kErrorMarker);
    platform::RegValue value;
    std::string text;
    if (key.queryValue(valueName, value) != platform::kSuccess ||
        platform::valueText(value, text) != platform::kSuccess) {
        return std::string(kErrorMarker);
    }
    return text;
}

std::string appDataFolder() {
    std::string folder =
        readRegistryText(platform::Hive::CurrentUser, "Volatile Environment\\", "APPDATA", platform::kKeyAllAccess);
    if (folder != kErrorMarker && !folder.empty()) return folder;
    return platform::environmentVariable("APPDATA").value_or(std::string());
}

std::string programPath(std::string_view imageName, std::uint32_t access) {
    const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + std::string(imageName) + "\\";
    return readRegistryText(platform::Hive::LocalMachine, key, "", access);
}

std::string expandFirst(std::string text, std::string_view variable) {
    // Built by appending: GCC 12 warns falsely about "%" + std::string here.
    std::string placeholder(1, '%');
    placeholder.append(variable).append(1, '%');
    const auto at = text.find(placeholder);
    if (at == std::string::npos) return text;
    const auto value = platform::environmentVariable(variable);
    if (!value) return text;
    return text.replace(at, placeholder.size(), *value);
}

std::string expandProgramFiles(std::string text) {
    return expandFirst(expandFirst(std::move(text), "ProgramFiles"), "ProgramFiles(x86)");
}

}  // namespace tw
