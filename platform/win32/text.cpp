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

bool ansiToUtf16(std::string_view text, std::u16string& wide) {
    wide.clear();
    if (text.empty()) return true;
    const int size = static_cast<int>(text.size());
    // MB_ERR_INVALID_CHARS: a byte sequence the code page does not define fails
    // rather than turning into a default character.
    const int needed = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (needed <= 0) return false;
    std::wstring buffer(static_cast<std::size_t>(needed), L'\0');
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), size, buffer.data(), needed) != needed) {
        return false;
    }
    wide.assign(buffer.begin(), buffer.end());
    return true;
}

bool utf16ToAnsi(std::u16string_view wide, std::string& text) {
    text.clear();
    if (wide.empty()) return true;
    const std::wstring buffer(wide.begin(), wide.end());
    const int size = static_cast<int>(buffer.size());
    // No best fit: a character the code page lacks must fail, not become a
    // similar-looking one; usedDefault tells of any that became "?".
    BOOL usedDefault = FALSE;
    const int needed =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, buffer.data(), size, nullptr, 0, nullptr, &usedDefault);
    if (needed <= 0 || usedDefault) return false;
    std::string out(static_cast<std::size_t>(needed), '\0');
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, buffer.data(), size, out.data(), needed, nullptr,
                            &usedDefault) != needed ||
        usedDefault) {
        return false;
    }
    // Best fit is off, but a code page may still map two characters to one
    // byte; only an exact round trip counts.
    std::u16string back;
    if (!ansiToUtf16(out, back) || back != wide) return false;
    text = std::move(out);
    return true;
}

}  // namespace tw::platform
