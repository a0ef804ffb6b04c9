#include "platform/text.h"

#include <windows.h>

#include <climits>

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

// WideCharToMultiByte refuses the default-character report and the best-fit
// flag for UTF-8, which newer systems may use as their ANSI code page; there
// its own error flag gives the same strictness.
bool usesUtf8AnsiCodePage() { return GetACP() == CP_UTF8; }

// Upper-cased one character for one, by the casing table of file and key
// names (LCMapString's default; LCMAP_LINGUISTIC_CASING would apply a
// language's rules instead), which is the same in every locale. Nothing when
// the call fails. A kernel32 call on purpose: user32's CharUpperBuff would
// load the window DLLs into a windowless run, whose start they slow down.
std::optional<std::wstring> upperCased(const std::wstring& text) {
    if (text.size() > INT_MAX) return std::nullopt;
    const int size = static_cast<int>(text.size());
    std::wstring upper(text.size(), L'\0');
    if (LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.data(), size, upper.data(), size) != size) {
        return std::nullopt;
    }
    return upper;
}

// WC_ERR_INVALID_CHARS, which headers for Windows XP leave out; only systems
// that can have UTF-8 as their ANSI code page ever get to use it.
constexpr DWORD kWideErrorInvalidChars = 0x00000080;

}  // namespace

std::string ansiToUtf8(std::string_view text) { return fromWide(CP_UTF8, toWide(CP_ACP, text)); }

std::string utf8ToAnsi(std::string_view text) { return fromWide(CP_ACP, toWide(CP_UTF8, text)); }

std::optional<std::u16string> ansiToUtf16(std::string_view text) {
    if (text.empty()) return std::u16string();
    if (text.size() > INT_MAX) return std::nullopt;
    const int size = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (needed <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), needed) != needed) {
        return std::nullopt;
    }
    return std::u16string(wide.begin(), wide.end());
}

std::optional<std::string> utf16ToAnsi(std::u16string_view text) {
    if (text.empty()) return std::string();
    if (text.size() > INT_MAX) return std::nullopt;
    const std::wstring wide(text.begin(), text.end());
    const int size = static_cast<int>(wide.size());
    // No best-fit look-alike ("A" for U+0100) and no "?": either is reported.
    const bool utf8 = usesUtf8AnsiCodePage();
    const DWORD flags = utf8 ? kWideErrorInvalidChars : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
    const int needed = WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, nullptr, usedDefaultOut);
    if (needed <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<std::size_t>(needed), '\0');
    if (WideCharToMultiByte(CP_ACP, flags, wide.data(), size, out.data(), needed, nullptr, usedDefaultOut) != needed ||
        usedDefault) {
        return std::nullopt;
    }
    return out;
}

bool equalIgnoringCaseAnsi(std::string_view a, std::string_view b) {
    // Each character upper-cased on its own, as Windows folds case in names,
    // rather than a linguistic comparison that would also match "ss" and a
    // sharp s.
    const std::wstring wideA = toWide(CP_ACP, a);
    const std::wstring wideB = toWide(CP_ACP, b);
    if (wideA.size() != wideB.size()) return false;
    if (wideA.empty()) return true;
    const auto upperA = upperCased(wideA);
    const auto upperB = upperCased(wideB);
    return upperA && upperB && *upperA == *upperB;
}

}  // namespace tw::platform
