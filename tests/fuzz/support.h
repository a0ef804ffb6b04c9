// What the fuzz targets share: a fresh world per input (registry, folder,
// session log), the store as text to compare before and after, and a check
// that stops the run with a message when a property does not hold, so that
// libFuzzer keeps the input.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "platform/testing.h"

namespace tw::fuzz {

// Files in memory for the whole target; call from LLVMFuzzerInitialize.
void initialise();

// Stops the process (libFuzzer reports a crash and keeps the input).
[[noreturn]] void fail(std::string_view what, std::string_view detail = {});
inline void check(bool holds, std::string_view what, std::string_view detail = {}) {
    if (!holds) fail(what, detail);
}

// The head of a file target's input: a byte of flags, then a byte naming the
// platform call to fail when the flag failOnCall is set (failing is 0 when no
// call fails), then the file's bytes. Nothing for an input too short for it.
struct FileInput {
    std::uint8_t flags = 0;
    std::size_t failing = 0;
    std::string bytes;
};
std::optional<FileInput> fileInput(const std::uint8_t* data, std::size_t size, std::uint8_t failOnCall);

// One input's world: an empty registry and an empty folder that is the
// application-data folder, so the session log goes there.
class World {
public:
    World();
    const std::string& folder() const { return temp_.path(); }
    std::string logText() const;

private:
    platform::testing::IsolatedRegistry registry_;
    platform::testing::TempFolder temp_;
};

// A key and all below it: each key's path, then its values by name with type
// and bytes. Equal texts mean equal registry content.
std::string registryDump(platform::Hive hive, std::string_view key);
// One key's own values only.
std::string keyValues(platform::Hive hive, std::string_view key);
// The names of a key's subkeys, in enumeration order.
std::vector<std::string> subkeys(platform::Hive hive, std::string_view key);

// The files below a folder, path (relative) and bytes, sorted; the session
// log left out.
std::string filesBelow(const std::string& folder);

std::string readFile(const std::string& path);
void writeFile(const std::string& path, std::string_view bytes);
void makeFolder(const std::string& path);
void setText(platform::Hive hive, std::string_view key, std::string_view name, std::string_view text);

// A value's text as the program reads text: REG_SZ or REG_EXPAND_SZ, up to
// its first NUL. False for anything else.
bool valueText(platform::Hive hive, std::string_view key, std::string_view name, std::string& text);

}  // namespace tw::fuzz

#include <fuzzer/FuzzedDataProvider.h>

namespace tw::fuzz {

inline constexpr const char* kOeManagerKey = "Software\\Microsoft\\Internet Account Manager";
inline constexpr const char* kOeAccountsKey = "Software\\Microsoft\\Internet Account Manager\\Accounts";

// An Outlook Express store made from the input, as years of use and hand
// edits may leave it: accounts under Outlook Express's own key names, under
// addresses in any letter case or under odd names (a "\" makes a nested key),
// values of every type and size (a text without its NUL, with bytes after
// it, a number where text belongs), and a default account that names one of
// them, none, or nothing that exists.
void seedOutlookExpressStore(FuzzedDataProvider& input);

// Outlook Express registered as an installed client and as the mailto handler.
void registerOutlookExpress();

}  // namespace tw::fuzz
