// The common fixture: a scratch registry, a scratch folder that is also the
// application-data folder (so the session log lands there), and helpers to
// seed the registry and read the log.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "platform/testing.h"

namespace tw::test {

class TidewellTest : public ::testing::Test {
protected:
    TidewellTest();

    const std::string& folder() const { return temp_.path(); }
    std::string logFile() const { return folder() + "\\Tidewell.log"; }

    // The session log as written, with CR LF turned into "\n" (a lone "\n" or
    // "\r" is kept so a test sees it) and every time stamp shown as <time>.
    std::string logText() const;

    platform::testing::IsolatedRegistry registry_;
    platform::testing::TempFolder temp_;
};

// A registry value (text) saved now and restored at the end, or removed again
// when it was not there; the key goes again too when it was not there.
class SavedValue {
public:
    SavedValue(platform::Hive hive, std::string key, std::string name);
    ~SavedValue();
    SavedValue(const SavedValue&) = delete;
    SavedValue& operator=(const SavedValue&) = delete;

private:
    platform::Hive hive_;
    std::string key_;
    std::string name_;
    bool keyExisted_ = false;
    std::optional<platform::RegValue> old_;
};

// Sets (or removes) an environment variable and restores it at the end.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, std::optional<std::string_view> value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::optional<std::string> saved_;
};

// view: 0 for this program's own registry view, or platform::kKeyView32 or
// platform::kKeyView64 to seed a key where a program of that bitness puts it.
void seedKey(platform::Hive hive, std::string_view key, std::uint32_t view = 0);
void seedText(platform::Hive hive, std::string_view key, std::string_view name, std::string_view text,
              std::uint32_t view = 0);
void seedDword(platform::Hive hive, std::string_view key, std::string_view name, std::uint32_t value);
void seedRaw(platform::Hive hive, std::string_view key, std::string_view name, std::uint32_t type,
             std::string_view bytes);

// A value as text: "sz:<text>" for text (with "\0" shown where a NUL ends it),
// "dword:<n>", or "missing".
std::string describeValue(platform::Hive hive, std::string_view key, std::string_view name);

// A key and everything below it as text: each key's path, then its values in
// name order as describeValue shows them. "missing key" when there is none.
// Equal dumps mean equal registry content, so a test compares before and after.
std::string registryDump(platform::Hive hive, std::string_view key);

// Registers clients under HKLM\SOFTWARE\Clients\Mail.
void registerClient(std::string_view registrationName, std::uint32_t view = 0);

// Runs a tidewell.exe command line that has arguments (so the run is
// windowless) to its end and answers its exit status, 999 when it could not
// start. Standard output and standard error go to outputPath unless it is
// empty. The run is watched for the DLLs it loads: the current test fails when
// it loaded a window DLL (see windowDllsLoaded), which tidewell.exe loads for
// its dialog alone.
std::uint32_t runWindowless(const std::string& commandLine, const std::string& outputPath = "");

// The window DLLs (user32, comctl32, gdi32) among the paths of loaded modules,
// in load order, as "user32.dll, gdi32.dll"; empty when none. What MAPI32.DLL
// loads does not count: a system's MAPI may use windows of its own, so only the
// modules loaded before it are looked at.
std::string windowDllsLoaded(const std::vector<std::string>& modules);

std::string readFile(const std::string& path);
std::string maskTimes(std::string text);
std::string crlfToLf(const std::string& text);

}  // namespace tw::test
