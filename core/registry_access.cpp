#include "core/registry_access.h"

#include <array>
#include <optional>

#include "core/markers.h"
#include "core/registry_account_write.h"
#include "core/session_log.h"
#include "platform/system.h"

namespace tw {
namespace {

struct ViewAccess {
    RegistryView view;
    std::uint32_t flag;
};

// The order the views are searched in. The 64-bit view comes first: it is the
// one Windows' own 64-bit shell uses, so a client registered in both views is
// started as the shell would start it.
constexpr std::array<ViewAccess, 2> kViews = {ViewAccess{RegistryView::Bits64, platform::kKeyView64},
                                              ViewAccess{RegistryView::Bits32, platform::kKeyView32}};

std::optional<std::string> keyText(const platform::RegKey& key, std::string_view valueName) {
    platform::RegValue value;
    std::string text;
    if (key.queryValue(valueName, value) != platform::kSuccess ||
        platform::valueText(value, text) != platform::kSuccess) {
        return std::nullopt;
    }
    return text;
}

std::string replaceFirst(std::string text, std::string_view placeholder, const std::optional<std::string>& value) {
    const auto at = text.find(placeholder);
    if (at == std::string::npos || !value) return text;
    return text.replace(at, placeholder.size(), *value);
}

// The program folder of 64-bit programs. A 32-bit process finds it in
// ProgramW6432 (Windows 7 and later) or, on 64-bit XP and Vista, only in the
// registry's 64-bit view; on 32-bit Windows it is simply ProgramFiles.
std::optional<std::string> programFiles64() {
    if (auto folder = platform::environmentVariable("ProgramW6432")) return folder;
    const std::string folder = readRegistryText(platform::Hive::LocalMachine,
                                                "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                                                platform::kKeyRead | platform::kKeyView64);
    if (folder != kErrorMarker && !folder.empty()) return folder;
    return platform::environmentVariable("ProgramFiles");
}

// The program folder of 32-bit programs: ProgramFiles(x86) on 64-bit Windows,
// ProgramFiles on 32-bit Windows, which has no other.
std::optional<std::string> programFiles32() {
    if (auto folder = platform::environmentVariable("ProgramFiles(x86)")) return folder;
    return platform::environmentVariable("ProgramFiles");
}

}  // namespace

std::string readRegistryText(platform::Hive hive, std::string_view keyPath, std::string_view valueName,
                             std::uint32_t access) {
    platform::RegKey key;
    if (key.open(hive, keyPath, access) != platform::kSuccess) return std::string(kErrorMarker);
    return keyText(key, valueName).value_or(std::string(kErrorMarker));
}

std::string readRegistryText(platform::Hive hive, std::string_view keyPath, std::string_view valueName,
                             std::uint32_t access, std::string& failure) {
    failure.clear();
    const auto report = [&](platform::Status rc, const char* call, std::optional<std::string> value) {
        // Absent is an answer; anything else is a reason to give.
        if (rc == platform::kErrorFileNotFound || rc == platform::kErrorPathNotFound) return;
        failure = RegistryFailure{call, hive, std::string(keyPath), std::move(value), rc}.describe();
    };
    platform::RegKey key;
    if (const platform::Status rc = key.open(hive, keyPath, access); rc != platform::kSuccess) {
        report(rc, "RegOpenKeyEx", std::nullopt);
        return std::string(kErrorMarker);
    }
    platform::RegValue value;
    if (const platform::Status rc = key.queryValue(valueName, value); rc != platform::kSuccess) {
        report(rc, "RegQueryValueEx", std::string(valueName));
        return std::string(kErrorMarker);
    }
    std::string text;
    if (platform::valueText(value, text) != platform::kSuccess) return std::string(kErrorMarker);
    return text;
}

platform::Status openMachineKey(platform::RegKey& key, std::string_view keyPath, std::uint32_t access,
                                RegistryView* foundIn) {
    platform::Status failure = platform::kErrorFileNotFound;
    for (const auto& [view, flag] : kViews) {
        const platform::Status rc = key.open(platform::Hive::LocalMachine, keyPath, access | flag);
        if (rc == platform::kSuccess) {
            if (foundIn != nullptr) *foundIn = view;
            return rc;
        }
        if (failure == platform::kErrorFileNotFound) failure = rc;
    }
    return failure;
}

std::string readMachineText(std::string_view keyPath, std::string_view valueName, std::uint32_t access,
                            RegistryView* foundIn) {
    for (const auto& [view, flag] : kViews) {
        platform::RegKey key;
        if (key.open(platform::Hive::LocalMachine, keyPath, access | flag) != platform::kSuccess) continue;
        if (auto text = keyText(key, valueName)) {
            if (foundIn != nullptr) *foundIn = view;
            return *text;
        }
    }
    return std::string(kErrorMarker);
}

std::string appDataFolder(SessionLog* log) {
    constexpr auto hive = platform::Hive::CurrentUser;
    constexpr std::string_view key = "Volatile Environment\\";
    std::string failure;
    std::string folder = readRegistryText(hive, key, "APPDATA", platform::kKeyAllAccess, failure);
    if (log != nullptr && !failure.empty()) log->line(failure);
    if (folder != kErrorMarker && !folder.empty()) return folder;
    return platform::environmentVariable("APPDATA").value_or(std::string());
}

std::string programPath(std::string_view imageName, std::uint32_t access, RegistryView* foundIn) {
    const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + std::string(imageName) + "\\";
    return readMachineText(key, "", access, foundIn);
}

std::string expandFirst(std::string text, std::string_view variable) {
    // Built by appending: GCC 12 warns falsely (-Wrestrict) about "%" + string.
    std::string placeholder(1, '%');
    placeholder.append(variable).push_back('%');
    if (text.find(placeholder) == std::string::npos) return text;
    return replaceFirst(std::move(text), placeholder, platform::environmentVariable(variable));
}

std::string expandProgramFiles(std::string text, RegistryView view) {
    if (text.find("%ProgramFiles%") != std::string::npos) {
        text = replaceFirst(std::move(text), "%ProgramFiles%",
                            view == RegistryView::Bits64 ? programFiles64() : programFiles32());
    }
    return expandFirst(std::move(text), "ProgramFiles(x86)");
}

}  // namespace tw
