#include "core/client_kind.h"

#include <array>

namespace tw {
namespace {

constexpr std::array<std::string_view, kClientCount> kMessageNames = {
    "Microsoft Outlook Express", "Microsoft Outlook", "Microsoft Windows Mail", "Qualcomm Eudora",
    "Mozilla Thunderbird"};

constexpr std::array<std::string_view, kClientCount> kImageNames = {"msimn.exe", "OUTLOOK.EXE", "WinMail.exe",
                                                                   "Eudora.exe", "thunderbird.exe"};

}  // namespace

std::string_view clientMessageName(ClientKind kind) { return isClientKind(kind) ? kMessageNames[kind] : ""; }

std::string_view clientImageName(ClientKind kind) { return isClientKind(kind) ? kImageNames[kind] : ""; }

}  // namespace tw
