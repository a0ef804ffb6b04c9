#include "platform/fake/fake_state.h"

#include <unistd.h>

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

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

// Wine orders names by their lower-case form ("_" before the letters).
bool NameLess::operator()(std::string_view a, std::string_view b) const {
    const auto n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(lower(a[i]));
        const auto cb = static_cast<unsigned char>(lower(b[i]));
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
}

std::string hostPath(std::string_view windowsPath) {
    std::string path = fakeRoot();
    std::string_view rest = windowsPath;
    if (rest.size() >= 2 && rest[1] == ':') {
        path += '/';
        path += upper(rest[0]);
        rest.remove_prefix(2);
    }
    for (char c : rest) path += c == '\\' ? '/' : c;
    return path;
}

bool isLocked(std::string_view windowsPath) {
    return state().lockedFiles.count(hostPath(windowsPath)) != 0;
}

bool isReadableLock(std::string_view windowsPath) {
    return state().readableLocks.count(hostPath(windowsPath)) != 0;
}

}  // namespace tw::platform::fake
