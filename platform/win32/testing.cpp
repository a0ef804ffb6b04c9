#include "platform/testing.h"

#include <windows.h>

#include <atomic>
#include <string>

#include "platform/system.h"

namespace tw::platform::testing {
namespace {

constexpr const char* kScratchRoot = "Software\\Tidewell Tests";

std::string moduleFolder() {
    char buffer[MAX_PATH * 2] = {};
    const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    std::string path(buffer, length);
    return path.substr(0, path.find_last_of('\\'));
}

HKEY createScratch(const std::string& path) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                    &key, nullptr);
    return key;
}

void removeTree(const std::string& path) {
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = path + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

}  // namespace

IsolatedRegistry::IsolatedRegistry() {
    scratch_ = std::string(kScratchRoot) + "\\" + newUuidText();
    // The scratch keys live under the real HKEY_CURRENT_USER, so create them all
    // before any predefined key is redirected.
    HKEY user = createScratch(scratch_ + "\\HKCU");
    HKEY machine = createScratch(scratch_ + "\\HKLM");
    HKEY classes = createScratch(scratch_ + "\\HKCR");
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine);
    RegOverridePredefKey(HKEY_CLASSES_ROOT, classes);
    RegOverridePredefKey(HKEY_CURRENT_USER, user);
    RegCloseKey(user);
    RegCloseKey(machine);
    RegCloseKey(classes);
}

IsolatedRegistry::~IsolatedRegistry() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    RegDeleteTreeA(HKEY_CURRENT_USER, scratch_.c_str());
}

TempFolder::TempFolder() {
    char buffer[MAX_PATH + 1] = {};
    GetTempPathA(sizeof buffer, buffer);
    std::string base = buffer;
    if (!base.empty() && base.back() == '\\') base.pop_back();
    path_ = base + "\\tidewell-test-" + newUuidText();
    CreateDirectoryA(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() { removeTree(path_); }

Status deleteKeyTree(Hive hive, std::string_view path) {
    HKEY root = hive == Hive::ClassesRoot    ? HKEY_CLASSES_ROOT
                : hive == Hive::CurrentUser ? HKEY_CURRENT_USER
                                            : HKEY_LOCAL_MACHINE;
    const std::string subkey(path);
    const LONG rc = RegDeleteTreeA(root, subkey.c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return rc;
    RegDeleteKeyA(root, subkey.c_str());
    return ERROR_SUCCESS;
}

void setEnvironmentVariable(std::string_view name, std::optional<std::string_view> value) {
    const std::string variable(name);
    if (value) {
        const std::string text(*value);
        SetEnvironmentVariableA(variable.c_str(), text.c_str());
    } else {
        SetEnvironmentVariableA(variable.c_str(), nullptr);
    }
}

std::uint32_t startStandInProcess(const std::string& imageName, const std::string& folder) {
    const std::string copy = folder + "\\" + imageName;
    CopyFileA((moduleFolder() + "\\standin.exe").c_str(), copy.c_str(), FALSE);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string commandLine = "\"" + copy + "\"";
    if (!CreateProcessA(copy.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        return 0;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    // The stand-in shows in snapshots only once its image is mapped.
    for (int i = 0; i < 200; ++i) {
        for (const auto& process : processSnapshot()) {
            if (process.id == info.dwProcessId) return info.dwProcessId;
        }
        Sleep(10);
    }
    return info.dwProcessId;
}

bool waitForProcessExit(std::uint32_t processId, unsigned timeoutMs) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (process == nullptr) return true;
    const bool ended = WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

void stopProcess(std::uint32_t processId) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
    if (process == nullptr) return;
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
}

ExclusiveFileLock::ExclusiveFileLock(const std::string& path) : path_(path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) handle_ = file;
}

ExclusiveFileLock::~ExclusiveFileLock() {
    if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
}

}  // namespace tw::platform::testing
