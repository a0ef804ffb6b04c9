// Test isolation on both backends. Only tests include this header.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace tw::platform::testing {

// While it lives, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT of
// this process are empty scratch keys (redirected predefined keys under Wine and
// Windows, a fresh in-memory store with the fake backend).
class IsolatedRegistry {
public:
    IsolatedRegistry();
    ~IsolatedRegistry();
    IsolatedRegistry(const IsolatedRegistry&) = delete;
    IsolatedRegistry& operator=(const IsolatedRegistry&) = delete;

private:
    std::string scratch_;
};

// A fresh empty folder, removed with its contents at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }  // Windows form, no trailing "\"

private:
    std::string path_;
};

// Deletes a key with everything below it; kSuccess when it did not exist.
Status deleteKeyTree(Hive hive, std::string_view path);

// Sets (or with nullopt removes) a variable of this process's environment.
void setEnvironmentVariable(std::string_view name, std::optional<std::string_view> value);

// A process that runs until terminated, seen in snapshots under imageName. Under
// Windows it is a small idle program copied to folder under that name.
std::uint32_t startStandInProcess(const std::string& imageName, const std::string& folder);
// True when the process has ended, waiting up to timeoutMs for it.
bool waitForProcessExit(std::uint32_t processId, unsigned timeoutMs);
void stopProcess(std::uint32_t processId);

// Holds a file open without any sharing until destroyed, as another program might.
class ExclusiveFileLock {
public:
    explicit ExclusiveFileLock(const std::string& path);
    ~ExclusiveFileLock();
    ExclusiveFileLock(const ExclusiveFileLock&) = delete;
    ExclusiveFileLock& operator=(const ExclusiveFileLock&) = delete;
    bool locked() const { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;
    std::string path_;
};

}  // namespace tw::platform::testing
