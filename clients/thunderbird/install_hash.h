// Which Thunderbird installation a profile belongs to. Thunderbird keeps, for
// each installation, the profile it starts with in a section named after a
// hash of the installation's folder: [Install308046B0AF4A39CB] in
// profiles.ini, and [308046B0AF4A39CB] in installs.ini.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/registry_access.h"

namespace tw::thunderbird {

// CityHash64, version 1.0 of the algorithm by Pike and Alakuijala (version
// 1.1 changed the results), over the bytes as they are.
std::uint64_t cityHash64(const unsigned char* bytes, std::size_t length);

// The hash of an installation folder, given as UTF-8: CityHash64 over the
// path's UTF-16LE bytes, written in upper-case hexadecimal without leading
// zeros. The path is hashed as given; see installFolderHash for the form
// Thunderbird gives it.
std::string installHash(std::string_view folderUtf8);

// The folder of the program at the App Paths value (in the program's 8-bit
// text), in the form Thunderbird hashes; empty when the value names none. The
// view is the registry view the value was read from, which decides the
// folder that "%ProgramFiles%" in it means.
std::string installFolderOf(std::string_view programPath, RegistryView view = RegistryView::Bits64);

// The hash of the installation whose program the App Paths value names;
// empty when it names none.
std::string installFolderHash(std::string_view programPath, RegistryView view = RegistryView::Bits64);

}  // namespace tw::thunderbird
