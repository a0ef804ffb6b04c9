// The shared ways of reading the registry and the environment.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace tw {

// The text of a REG_SZ value, read whole; kErrorMarker when the key cannot be
// opened or the value is missing or not text.
std::string readRegistryText(platform::Hive hive, std::string_view keyPath, std::string_view valueName,
                             std::uint32_t access);

// The per-user application-data folder from "Volatile Environment\APPDATA",
// falling back to the process's APPDATA variable; empty when neither exists.
std::string appDataFolder();

// The App Paths entry of an image name, or kErrorMarker.
std::string programPath(std::string_view imageName, std::uint32_t access = platform::kKeyRead);

// Replaces the first "%ProgramFiles%" and then the first "%ProgramFiles(x86)%"
// by their environment variables; a placeholder whose variable is unset stays.
std::string expandProgramFiles(std::string text);

// Replaces the first occurrence of "%" + variable + "%" by the variable's value.
std::string expandFirst(std::string text, std::string_view variable);

}  // namespace tw
