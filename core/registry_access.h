// The shared ways of reading the registry and the environment.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace tw {

class SessionLog;

// The text of a REG_SZ value, read whole; kErrorMarker when the key cannot be
// opened or the value is missing or not text.
std::string readRegistryText(platform::Hive hive, std::string_view keyPath, std::string_view valueName,
                             std::uint32_t access);
// The same; when the key or value is there but cannot be read (access
// denied, say), failure gets the log line that names the call, the key and
// the error (it stays empty otherwise), so that whatever the run does
// without the value can give its reason.
std::string readRegistryText(platform::Hive hive, std::string_view keyPath, std::string_view valueName,
                             std::uint32_t access, std::string& failure);

// Where a program registers itself in HKEY_LOCAL_MACHINE\SOFTWARE on 64-bit
// Windows: a 64-bit Thunderbird in the 64-bit registry view, a 32-bit Outlook,
// Eudora or Thunderbird in the 32-bit view (SOFTWARE\Wow6432Node). A program of
// either bitness sees only its own view unless it names the other, so the
// lookups below search both, the 64-bit view first, whatever this program's
// own bitness. On 32-bit Windows both searches reach the one registry.
//
// HKEY_CURRENT_USER is not split: the account stores the writers edit there
// (and "Volatile Environment") are the same keys for 32-bit and 64-bit
// programs, so they are opened as they are.
enum class RegistryView { Bits64, Bits32 };

// Opens a key below HKEY_LOCAL_MACHINE\SOFTWARE in the first view that has it.
// When neither has it, the error says why: a refusal (access denied, say)
// rather than a plain "not found" when either view gave one.
platform::Status openMachineKey(platform::RegKey& key, std::string_view keyPath, std::uint32_t access,
                                RegistryView* foundIn = nullptr);

// The text of a REG_SZ value of a key below HKEY_LOCAL_MACHINE\SOFTWARE, from
// the first view whose key holds it as text; kErrorMarker when neither does.
std::string readMachineText(std::string_view keyPath, std::string_view valueName, std::uint32_t access,
                            RegistryView* foundIn = nullptr);

// The per-user application-data folder from "Volatile Environment\APPDATA",
// falling back to the process's APPDATA variable; empty when neither exists.
// With a log, a value that exists but cannot be read is reported there.
std::string appDataFolder(SessionLog* log = nullptr);

// The App Paths entry of an image name, from either registry view, or kErrorMarker.
std::string programPath(std::string_view imageName, std::uint32_t access = platform::kKeyRead,
                        RegistryView* foundIn = nullptr);

// Replaces the first "%ProgramFiles%" and then the first "%ProgramFiles(x86)%"
// by their folders; a placeholder whose folder is unknown stays. The view is
// the one the text was read from: its installer meant by "%ProgramFiles%" the
// program folder of its own bitness, which this program's ProgramFiles
// variable need not be (64-bit Windows gives a 32-bit process the x86 folder).
std::string expandProgramFiles(std::string text, RegistryView view);

// Replaces the first occurrence of "%" + variable + "%" by the variable's value.
std::string expandFirst(std::string text, std::string_view variable);

}  // namespace tw
