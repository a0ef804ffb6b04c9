#include "platform/fake/fake_state.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>

namespace tw::platform::fake {
namespace {

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

const std::string& fakeRoot() {
    static const std::string root = [] {
        const char* configured = std::getenv("TIDEWELL_FAKE_ROOT");
        std::string path = configured != nullptr && *configured != '\0'
                               ? std::string(configured)
                               : (std::filesystem::temp_directory_path() /
                                  ("tidewell-fake-" + std::to_string(::getpid())))
                                     .string();
        std::filesystem::create_directories(path);
        return path;
    }();
    return root;
}

// The character Windows compares a name's byte as: its Unicode character in
// lower case. Measured under Wine with code page 1252: A-Z, the Latin-1
// letters from À to Þ (not ×) and Š, Œ, Ž, Ÿ fold onto their small letters;
// ß, µ, ƒ and the rest have no partner in the code page.
char32_t foldedCharacter(char byte) {
    const char32_t c = ansiCodePoint(static_cast<unsigned char>(byte));
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
    switch (c) {
    case 0x160: return 0x161;  // Š
    case 0x152: return 0x153;  // Œ
    case 0x17D: return 0x17E;  // Ž
    case 0x178: return 0xFF;   // Ÿ
    default: return c;
    }
}

}  // namespace

unsigned char foldedByte(unsigned char byte) {
    static const auto table = [] {
        std::array<unsigned char, 256> folded{};
        for (int b = 0; b < 256; ++b) {
            folded[b] = static_cast<unsigned char>(b);
            const char32_t lower = foldedCharacter(static_cast<char>(b));
            for (int other = 0; other < 256; ++other) {
                if (ansiCodePoint(static_cast<unsigned char>(other)) == lower) {
                    folded[b] = static_cast<unsigned char>(other);
                    break;
                }
            }
        }
        return folded;
    }();
    return table[byte];
}

// Wine orders names by the lower case of their Unicode characters: "_" comes
// before the letters, and "é" (U+00E9) before "š" (U+0161) before "€" (U+20AC).
bool NameLess::operator()(std::string_view a, std::string_view b) const {
    const auto n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char32_t ca = foldedCharacter(a[i]);
        const char32_t cb = foldedCharacter(b[i]);
        if (ca != cb) return ca < cb;
    }
    return a.size() < b.size();
}

State& state() {
    static State instance;
    return instance;
}

void resetRegistry() {
    auto& s = state();
    s.classesRoot = KeyNode{};
    s.currentUser = KeyNode{};
    s.localMachine = KeyNode{};
    s.deletedKeys.clear();
    s.injectedFailures.clear();
    s.nextProfileSection = 1;  // MAPI's section names live in the registry too
}

bool takeInjectedFailure(testing::PlatformCall call, std::string_view name, Status& error) {
    auto& failures = state().injectedFailures;
    const NameLess less;
    for (auto it = failures.begin(); it != failures.end(); ++it) {
        if (it->call == call && (it->name.empty() || (!less(it->name, name) && !less(name, it->name)))) {
            error = it->error;
            if (!it->everyTime) failures.erase(it);
            return true;
        }
    }
    return false;
}

std::string keyPath(const KeyNode& key) {
    if (key.parent == nullptr) return {};
    std::string path = keyPath(*key.parent);
    if (!path.empty()) path += '\\';
    return path + key.name;
}

std::string hostPath(std::string_view windowsPath) {
    std::string path = fakeRoot();
    std::string_view rest = windowsPath;
    if (rest.size() >= 2 && rest[1] == ':') {
        path += '/';
        path += upper(rest[0]);
        rest.remove_prefix(2);
    }
    const std::size_t start = path.size();
    path.append(rest);
    std::replace(path.begin() + static_cast<std::ptrdiff_t>(start), path.end(), '\\', '/');
    return path;
}

bool isLocked(std::string_view windowsPath) {
    return state().lockedFiles.count(hostPath(windowsPath)) != 0;
}

bool isReadableLock(std::string_view windowsPath) {
    return state().readableLocks.count(hostPath(windowsPath)) != 0;
}

}  // namespace tw::platform::fake
