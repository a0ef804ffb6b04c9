// Literal texts that stand for a missing value. Callers compare against them
// exactly, so they are never produced by accident.
#pragma once

#include <string_view>

namespace tw {

inline constexpr std::string_view kErrorMarker = "*ERROR*";   // a reader could not read
inline constexpr std::string_view kAbsentOption = "*NULL*";   // the option is not on the command line
inline constexpr std::string_view kNoValue = "NULL";          // no value given or found

}  // namespace tw
