#include "platform/testing.h"

#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/system.h"
#include "platform/win32/mapi_library.h"

namespace tw::platform::testing {
namespace {

HKEY hiveKey(Hive hive) {
    return hive == Hive::ClassesRoot   ? HKEY_CLASSES_ROOT
           : hive == Hive::CurrentUser ? HKEY_CURRENT_USER
                                       : HKEY_LOCAL_MACHINE;
}

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
    // Wine splits a key into two registry views only once it has a Wow6432Node
    // subkey, as HKLM\SOFTWARE always has on 64-bit Windows: give the scratch
    // one, so that KEY_WOW64_32KEY reaches SOFTWARE\Wow6432Node here too.
    RegCloseKey(createScratch(scratch_ + "\\HKLM\\SOFTWARE\\Wow6432Node"));
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
    HKEY root = hiveKey(hive);
    const std::string subkey(path);
    const LONG rc = RegDeleteTreeA(root, subkey.c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return rc;
    RegDeleteKeyA(root, subkey.c_str());
    return ERROR_SUCCESS;
}

std::vector<std::string> valueNames(Hive hive, std::string_view path) {
    std::vector<std::string> names;
    HKEY key = nullptr;
    const std::string subkey(path);
    if (RegOpenKeyExA(hiveKey(hive), subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    DWORD longest = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longest, nullptr, nullptr,
                     nullptr);
    std::string buffer(longest + 1, '\0');
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        if (RegEnumValueA(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(buffer.data(), length);
    }
    RegCloseKey(key);
    return names;
}

bool failNextRegistryCall(RegistryCall, std::string_view, Status) { return false; }
bool failNextCall(PlatformCall, std::string_view, Status) { return false; }
void keepFilesInMemory() {}

// Windows' own calls cannot be counted or made to fail from here.
CallFaults::CallFaults(std::size_t failing) : failing_(failing) {}
CallFaults::~CallFaults() = default;

namespace {

// Sets a key's access list; the owner may always change it back.
bool setKeyDacl(Hive hive, const std::string& path, PSECURITY_DESCRIPTOR security) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(hiveKey(hive), path.c_str(), 0, READ_CONTROL | WRITE_DAC, &key) != ERROR_SUCCESS) return false;
    const bool set = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, security) == ERROR_SUCCESS;
    RegCloseKey(key);
    return set;
}

}  // namespace

ReadOnlyKey::ReadOnlyKey(Hive hive, std::string path) : hive_(hive), path_(std::move(path)) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(hiveKey(hive_), path_.c_str(), 0, READ_CONTROL, &key) != ERROR_SUCCESS) return;
    DWORD size = 0;
    RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    savedSecurity_.resize(size);
    const bool saved = size > 0 && RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, savedSecurity_.data(), &size) ==
                                       ERROR_SUCCESS;
    RegCloseKey(key);
    if (!saved) return;
    // Everyone may read (KR), nothing else; "P" keeps inherited entries out.
    PSECURITY_DESCRIPTOR readOnly = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KR;;;WD)", SDDL_REVISION_1, &readOnly,
                                                              nullptr)) {
        return;
    }
    applied_ = setKeyDacl(hive_, path_, readOnly);
    LocalFree(readOnly);
}

ReadOnlyKey::~ReadOnlyKey() {
    if (applied_) setKeyDacl(hive_, path_, savedSecurity_.data());
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

namespace {

// Each stand-in's process handle, kept open until the stand-in is stopped.
// A process id is free for reuse once its process has ended and the last
// handle to it is closed, and Wine reuses ids within a test run: waiting for
// or terminating a stand-in by a bare id that tidewell -x has already closed
// could reach an unrelated process that now has the id (one of Wine's own
// service processes, say), and a later process start then fails.
std::map<std::uint32_t, HANDLE>& standIns() {
    static std::map<std::uint32_t, HANDLE> handles;
    return handles;
}

}  // namespace

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
    standIns()[info.dwProcessId] = info.hProcess;
    // The stand-in shows in snapshots only once its image is mapped.
    for (int i = 0; i < 200; ++i) {
        for (const auto& process : processSnapshot()) {
            if (process.id == info.dwProcessId) return info.dwProcessId;
        }
        Sleep(10);
    }
    return info.dwProcessId;
}

std::uint32_t startUnstoppableStandIn(const std::string&) { return 0; }

bool waitForProcessExit(std::uint32_t processId, unsigned timeoutMs) {
    const auto found = standIns().find(processId);
    if (found == standIns().end()) return true;
    return WaitForSingleObject(found->second, timeoutMs) == WAIT_OBJECT_0;
}

void stopProcess(std::uint32_t processId) {
    const auto found = standIns().find(processId);
    if (found == standIns().end()) return;
    TerminateProcess(found->second, 0);
    WaitForSingleObject(found->second, 5000);
    CloseHandle(found->second);
    standIns().erase(found);
}

ExclusiveFileLock::ExclusiveFileLock(const std::string& path) : path_(path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) handle_ = file;
}

ExclusiveFileLock::~ExclusiveFileLock() {
    if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
}

StandInMapi::StandInMapi() {
    char folder[MAX_PATH + 1] = {};
    GetTempPathA(sizeof folder, folder);
    record_ = std::string(folder) + "tidewell-mapi-" + newUuidText() + ".txt";
    SetEnvironmentVariableA("TIDEWELL_STANDIN_MAPI_RECORD", record_.c_str());
    SetEnvironmentVariableA("TIDEWELL_STANDIN_MAPI_FAIL", nullptr);
    mapi::setLibraryPathForTesting(moduleFolder() + "\\standin_mapi32.dll");
}

StandInMapi::~StandInMapi() {
    mapi::setLibraryPathForTesting({});
    SetEnvironmentVariableA("TIDEWELL_STANDIN_MAPI_RECORD", nullptr);
    SetEnvironmentVariableA("TIDEWELL_STANDIN_MAPI_FAIL", nullptr);
    DeleteFileA(record_.c_str());
}

void StandInMapi::failCall(MapiCall call, HResult code) {
    char hex[16] = {};
    std::snprintf(hex, sizeof hex, "%08lx", static_cast<unsigned long>(static_cast<std::uint32_t>(code)));
    const std::string setting = std::string(mapiCallName(call)) + "=" + hex;
    SetEnvironmentVariableA("TIDEWELL_STANDIN_MAPI_FAIL", setting.c_str());
}

std::string StandInMapi::calls() const {
    std::string text;
    readWholeFile(record_, text);
    return text;
}

ReadingFileLock::ReadingFileLock(const std::string& path) : path_(path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) handle_ = file;
}

ReadingFileLock::~ReadingFileLock() {
    if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
}

namespace {

HKEY rootKey(Hive hive) {
    switch (hive) {
    case Hive::ClassesRoot: return HKEY_CLASSES_ROOT;
    case Hive::CurrentUser: return HKEY_CURRENT_USER;
    case Hive::LocalMachine: return HKEY_LOCAL_MACHINE;
    }
    return HKEY_CURRENT_USER;
}

// Sets the key's access list from its text form; false when that fails.
bool setKeyAccess(HKEY key, const char* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr)) {
        return false;
    }
    const LONG rc = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
    LocalFree(descriptor);
    return rc == ERROR_SUCCESS;
}

// Everyone may do everything but set values and create subkeys; the deny
// entry comes first, so it wins.
constexpr const char* kWriteProtected = "D:(D;;0x6;;;WD)(A;;KA;;;WD)";
constexpr const char* kOpen = "D:(A;;KA;;;WD)";

}  // namespace

WriteProtectedKey::WriteProtectedKey(Hive hive, const std::string& path) : hive_(hive), path_(path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(rootKey(hive), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    active_ = setKeyAccess(key, kWriteProtected);
    RegCloseKey(key);
}

WriteProtectedKey::~WriteProtectedKey() {
    if (!active_) return;
    HKEY key = nullptr;
    if (RegOpenKeyExA(rootKey(hive_), path_.c_str(), 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
        setKeyAccess(key, kOpen);
        RegCloseKey(key);
    }
}

void setReadOnly(const std::string& path, bool readOnly) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesA(path.c_str(), readOnly ? attributes | FILE_ATTRIBUTE_READONLY
                                              : attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

std::string currentProgramPath() {
    char buffer[MAX_PATH * 2] = {};
    const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    return std::string(buffer, length);
}

void installLaunchRecorder(const std::string& path) {
    CopyFileA((moduleFolder() + "\\launch_recorder.exe").c_str(), path.c_str(), FALSE);
    DeleteFileA((path + ".ran").c_str());
}

std::string launchRecorderRuns(const std::string& path, unsigned timeoutMs) {
    const std::string record = path + ".ran";
    const DWORD start = GetTickCount();
    for (;;) {
        std::string text;
        HANDLE file = CreateFileA(record.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            char buffer[4096];
            DWORD read = 0;
            while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
            CloseHandle(file);
            // The recorder writes each line whole; wait for the end of the first.
            if (text.find('\n') != std::string::npos) return text;
        }
        if (GetTickCount() - start >= timeoutMs) return text;
        Sleep(20);
    }
}

Status runCapturingOutput(const std::string& commandLine, const std::string& outputPath, std::uint32_t& exitCode) {
    SECURITY_ATTRIBUTES inheritable{};
    inheritable.nLength = sizeof inheritable;
    inheritable.bInheritHandle = TRUE;
    HANDLE output = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) return static_cast<Status>(GetLastError());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION info{};
    std::string mutableCommandLine = commandLine;
    const BOOL started = CreateProcessA(nullptr, mutableCommandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &info);
    const Status rc = started ? ERROR_SUCCESS : static_cast<Status>(GetLastError());
    CloseHandle(output);
    if (!started) return rc;
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    exitCode = code;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return ERROR_SUCCESS;
}

namespace {

// Reads a value of another process's memory; false when it cannot be read whole.
template <typename T>
bool readRemote(HANDLE process, const void* address, T& value) {
    SIZE_T read = 0;
    return ReadProcessMemory(process, address, &value, sizeof value, &read) && read == sizeof value;
}

// The path of a DLL as the loader named it in the load event: the address of a
// pointer to the name, in the program's memory. Empty when it gave none (it
// may not, and does not for the first DLL).
std::string loadedImagePath(HANDLE process, const LOAD_DLL_DEBUG_INFO& load) {
    void* name = nullptr;
    if (load.lpImageName == nullptr || !readRemote(process, load.lpImageName, name) || name == nullptr) return {};
    std::string path;
    for (auto* at = static_cast<const char*>(name); path.size() < 1024;) {
        if (load.fUnicode != 0) {
            wchar_t c = 0;
            if (!readRemote(process, at, c) || c == 0) break;
            path += c < 0x80 ? static_cast<char>(c) : '?';  // paths of system DLLs are ASCII
            at += sizeof c;
        } else {
            char c = 0;
            if (!readRemote(process, at, c) || c == 0) break;
            path += c;
            at += 1;
        }
    }
    return path;
}

// A DLL's own name from its export directory ("USER32.dll"), for one whose
// path the loader did not give. Empty when it has no exports.
std::string exportedName(HANDLE process, const char* base) {
    IMAGE_DOS_HEADER dos{};
    IMAGE_NT_HEADERS headers{};
    if (!readRemote(process, base, dos) || !readRemote(process, base + dos.e_lfanew, headers)) return {};
    const IMAGE_DATA_DIRECTORY& exports = headers.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    IMAGE_EXPORT_DIRECTORY directory{};
    if (exports.VirtualAddress == 0 || !readRemote(process, base + exports.VirtualAddress, directory)) return {};
    char name[MAX_PATH] = {};
    SIZE_T read = 0;
    ReadProcessMemory(process, base + directory.Name, name, sizeof name - 1, &read);
    return std::string(name);  // the last byte stays NUL
}

}  // namespace

Status runWatchingModules(const std::string& commandLine, const std::string& outputPath, std::uint32_t& exitCode,
                          std::vector<std::string>& modules) {
    modules.clear();
    HANDLE output = INVALID_HANDLE_VALUE;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!outputPath.empty()) {
        SECURITY_ATTRIBUTES inheritable{};
        inheritable.nLength = sizeof inheritable;
        inheritable.bInheritHandle = TRUE;
        output = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (output == INVALID_HANDLE_VALUE) return static_cast<Status>(GetLastError());
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    PROCESS_INFORMATION info{};
    std::string mutableCommandLine = commandLine;
    const BOOL started = CreateProcessA(nullptr, mutableCommandLine.data(), nullptr, nullptr, output != INVALID_HANDLE_VALUE,
                                        DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr, &startup, &info);
    const Status rc = started ? ERROR_SUCCESS : static_cast<Status>(GetLastError());
    if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
    if (!started) return rc;

    // Every event stops the program until it is continued. The program's own
    // exceptions (a C++ throw is one) go back to it unhandled by us; the
    // breakpoint the system stops a debugged program at is ours.
    for (bool running = true; running;) {
        DEBUG_EVENT event{};
        if (!WaitForDebugEvent(&event, INFINITE)) break;
        DWORD continueStatus = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            if (event.u.CreateProcessInfo.hFile != nullptr) CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT: {
            std::string name = loadedImagePath(info.hProcess, event.u.LoadDll);
            if (name.empty()) name = exportedName(info.hProcess, static_cast<const char*>(event.u.LoadDll.lpBaseOfDll));
            modules.push_back(name.empty() ? "?" : name);
            if (event.u.LoadDll.hFile != nullptr) CloseHandle(event.u.LoadDll.hFile);
            break;
        }
        case EXCEPTION_DEBUG_EVENT:
            if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
                continueStatus = DBG_EXCEPTION_NOT_HANDLED;
            }
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            running = event.dwProcessId != info.dwProcessId;
            break;
        default: break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus);
    }
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    exitCode = code;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return ERROR_SUCCESS;
}

ChildProcess::~ChildProcess() {
    terminate();
    if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
}

Status ChildProcess::start(const std::string& program, const std::string& commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string mutableCommandLine = commandLine;
    if (!CreateProcessA(program.c_str(), mutableCommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return static_cast<Status>(GetLastError());
    }
    CloseHandle(info.hThread);
    handle_ = info.hProcess;
    return ERROR_SUCCESS;
}

bool ChildProcess::waitForExit(unsigned timeoutMs) {
    return handle_ == nullptr || WaitForSingleObject(static_cast<HANDLE>(handle_), timeoutMs) == WAIT_OBJECT_0;
}

std::uint32_t ChildProcess::exitCode() const {
    DWORD code = 0;
    if (handle_ != nullptr) GetExitCodeProcess(static_cast<HANDLE>(handle_), &code);
    return code;
}

void ChildProcess::terminate() {
    if (handle_ == nullptr || waitForExit(0)) return;
    TerminateProcess(static_cast<HANDLE>(handle_), 1);
    waitForExit(5000);
}

namespace {

HWND asWindow(DialogWindow dialog) { return static_cast<HWND>(dialog.handle()); }

bool ownedByThisThread(HWND window) { return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId(); }

bool isDialogWindow(HWND window) {
    char name[16] = {};
    return GetClassNameA(window, name, sizeof name) > 0 && std::string(name) == "#32770";
}

// After posting to a window of this thread, let its messages run.
void settle(HWND window) {
    if (window != nullptr && ownedByThisThread(window)) pumpMessages();
}

HWND focusOf(HWND dialog) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) && info.hwndFocus != nullptr) {
        return info.hwndFocus;
    }
    return nullptr;
}

}  // namespace

DialogWindow findWindow(std::string_view title, unsigned timeoutMs) {
    const std::string text(title);
    const DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindWindowA(nullptr, text.c_str());
        if (window != nullptr && IsWindowVisible(window)) {
            // The window can be found before its WM_INITDIALOG has returned; a
            // message it answers comes after that.
            DWORD_PTR ignored = 0;
            SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
            return DialogWindow(window);
        }
        if (GetTickCount() - start >= timeoutMs) return {};
        if (window == nullptr || !ownedByThisThread(window)) {
            Sleep(20);
        } else {
            pumpMessages();
        }
    }
}

void pumpMessages() {
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        if (root != nullptr && isDialogWindow(root) && IsDialogMessageA(root, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void click(DialogWindow dialog, int id) {
    if (HWND control = GetDlgItem(asWindow(dialog), id)) SendMessageA(control, BM_CLICK, 0, 0);
    settle(asWindow(dialog));
}

void postClick(DialogWindow dialog, int id) {
    if (HWND control = GetDlgItem(asWindow(dialog), id)) PostMessageA(control, BM_CLICK, 0, 0);
    settle(asWindow(dialog));
}

void typeText(DialogWindow dialog, int id, std::string_view text) {
    HWND control = GetDlgItem(asWindow(dialog), id);
    if (control == nullptr) return;
    for (char c : text) SendMessageA(control, WM_CHAR, static_cast<unsigned char>(c), 1);
    settle(asWindow(dialog));
}

void pressBackspace(DialogWindow dialog, int id) {
    if (HWND control = GetDlgItem(asWindow(dialog), id)) SendMessageA(control, WM_CHAR, VK_BACK, 1);
    settle(asWindow(dialog));
}

void pressKey(DialogWindow dialog, int virtualKey) {
    HWND target = focusOf(asWindow(dialog));
    if (target == nullptr) target = asWindow(dialog);
    const UINT scanCode = MapVirtualKeyA(static_cast<UINT>(virtualKey), MAPVK_VK_TO_VSC);
    const LPARAM down = 1 | static_cast<LPARAM>(scanCode) << 16;
    const LPARAM up = down | static_cast<LPARAM>(3) << 30;
    PostMessageA(target, WM_KEYDOWN, static_cast<WPARAM>(virtualKey), down);
    PostMessageA(target, WM_KEYUP, static_cast<WPARAM>(virtualKey), up);
    settle(asWindow(dialog));
}

void sendCommand(DialogWindow dialog, int id, int notifyCode) {
    SendMessageA(asWindow(dialog), WM_COMMAND, MAKEWPARAM(id, notifyCode),
                 reinterpret_cast<LPARAM>(GetDlgItem(asWindow(dialog), id)));
    settle(asWindow(dialog));
}

void closeWindow(DialogWindow dialog) {
    PostMessageA(asWindow(dialog), WM_CLOSE, 0, 0);
    settle(asWindow(dialog));
}

void activate(DialogWindow dialog) {
    // Under Xvfb, Wine can make a program's first window the foreground window
    // without ever drawing it active; moving the foreground away and back gives
    // it the activation, and the active caption, that a click would.
    SetForegroundWindow(GetDesktopWindow());
    SetForegroundWindow(asWindow(dialog));
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(asWindow(dialog), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    settle(asWindow(dialog));
}

namespace {

// A named CALLBACK function: on 32-bit Windows a lambda converts only to a
// cdecl pointer, not to the stdcall one EnumChildWindows calls.
BOOL CALLBACK postMouseLeave(HWND control, LPARAM) {
    PostMessageA(control, WM_MOUSELEAVE, 0, 0);
    return TRUE;
}

}  // namespace

void endHotTracking(DialogWindow dialog) {
    EnumChildWindows(asWindow(dialog), postMouseLeave, 0);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(asWindow(dialog), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    settle(asWindow(dialog));
}

int focusedItem(DialogWindow dialog) {
    HWND focus = focusOf(asWindow(dialog));
    return focus == nullptr ? 0 : GetDlgCtrlID(focus);
}

ScreenRect windowRect(DialogWindow dialog) {
    RECT rect{};
    GetWindowRect(asWindow(dialog), &rect);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace tw::platform::testing
