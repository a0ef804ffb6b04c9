// The five supported clients. Their numbers are the order of the dialog's radio
// group, of the "-c" option and of every per-client table.
#pragma once

#include <string_view>

namespace tw {

using ClientKind = int;

inline constexpr ClientKind kNoClient = -1;
inline constexpr ClientKind OutlookExpress = 0;
inline constexpr ClientKind Outlook = 1;
inline constexpr ClientKind WindowsMail = 2;
inline constexpr ClientKind Eudora = 3;
inline constexpr ClientKind Thunderbird = 4;
inline constexpr int kClientCount = 5;

inline constexpr bool isClientKind(ClientKind kind) { return kind >= 0 && kind < kClientCount; }

// "Microsoft Outlook Express", ... as the log and messages name them; empty when out of range.
std::string_view clientMessageName(ClientKind kind);

// "msimn.exe", ...: the image name of the running program and of its App Paths entry.
std::string_view clientImageName(ClientKind kind);

}  // namespace tw
