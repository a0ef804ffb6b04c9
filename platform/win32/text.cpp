#include "platform/text.h"

#include <windows.h>

namespace tw::platform {
namespace {

std::wstring toWide(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), needed);
    return wide;
}

std::string fromWide(UINT codePage, const std::wstring& wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int needed = WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string text(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), size, text.data(), needed, nullptr, nullptr);
    return text;
}

}  // namespace

std::string ansiToUtf8(std::string_view text) { return fromWide(CP_UTF8, toWide(CP_ACP, text)); }

std::string utf8ToAnsi(std::string_view text) { return fromWide(CP_ACP, toWide(CP_UTF8, text)); }

bool equalIgnoringCaseAnsi(std::string_view a, std::string_view b) {
    // Each character upper-cased on its own, as Windows folds case in names,
    // rather than a linguistic comparison that would also match "ss" and a
    // sharp s.
    std::wstring wideA = toWide(CP_ACP, a);
    std::wstring wideB = toWide(CP_ACP, b);
    if (wideA.size() != wideB.size()) return false;
    if (wideA.empty()) return true;
    CharUpperBuffW(wideA.data(), static_cast<DWORD>(wideA.size()));
    CharUpperBuffW(wideB.data(), static_cast<DWORD>(wideB.size()));
    return wideA == wideB;
}

}  // namespace tw::platform
