#include "platform/system.h"

#include <windows.h>
#include <rpc.h>
#include <tlhelp32.h>

#include <utility>

namespace tw::platform {
namespace {

// Owner of a kernel handle, closed in the destructor.
class UniqueHandle {
public:
    explicit UniqueHandle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    ~UniqueHandle() {
        if (handle_ != nullptr) CloseHandle(handle_);
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    HANDLE handle_;
};

}  // namespace

std::optional<std::string> environmentVariable(std::string_view name) {
    const std::string variable(name);
    DWORD size = GetEnvironmentVariableA(variable.c_str(), nullptr, 0);
    if (size == 0) return std::nullopt;
    std::string value(size, '\0');
    size = GetEnvironmentVariableA(variable.c_str(), value.data(), size);
    value.resize(size);
    return value;
}

std::tm localTime() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    std::tm result{};
    result.tm_year = now.wYear - 1900;
    result.tm_mon = now.wMonth - 1;
    result.tm_mday = now.wDay;
    result.tm_hour = now.wHour;
    result.tm_min = now.wMinute;
    result.tm_sec = now.wSecond;
    result.tm_wday = now.wDayOfWeek;
    result.tm_isdst = -1;
    return result;
}

std::vector<ProcessEntry> processSnapshot() {
    std::vector<ProcessEntry> processes;
    processSnapshot(processes);
    return processes;
}

Status processSnapshot(std::vector<ProcessEntry>& processes) {
    processes.clear();
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return static_cast<Status>(GetLastError());
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
        processes.push_back({entry.th32ProcessID, entry.szExeFile});
    }
    // The walk ends with ERROR_NO_MORE_FILES; anything else cut it short.
    const DWORD ended = GetLastError();
    return ended == ERROR_NO_MORE_FILES ? ERROR_SUCCESS : static_cast<Status>(ended);
}

Status terminateProcess(std::uint32_t processId, std::uint32_t exitCode) {
    UniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, processId));
    if (!process) return static_cast<Status>(GetLastError());
    if (!TerminateProcess(process.get(), exitCode)) return static_cast<Status>(GetLastError());
    return ERROR_SUCCESS;
}

Status startProcess(const std::string& applicationName, const std::string& commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string mutableCommandLine = commandLine;
    if (!CreateProcessA(applicationName.empty() ? nullptr : applicationName.c_str(), mutableCommandLine.data(),
                        nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return static_cast<Status>(GetLastError());
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return ERROR_SUCCESS;
}

Status runProcess(const std::string& commandLine, std::uint32_t& exitCode) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string mutableCommandLine = commandLine;
    if (!CreateProcessA(nullptr, mutableCommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        return static_cast<Status>(GetLastError());
    }
    UniqueHandle thread(info.hThread);
    UniqueHandle process(info.hProcess);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    exitCode = code;
    return ERROR_SUCCESS;
}

std::string newUuidText() {
    std::string text;
    newUuidText(text);
    return text;
}

Status newUuidText(std::string& result) {
    result.clear();
    UUID uuid{};
    // A UUID that is unique only to this computer is still a fine file name;
    // any other answer leaves the UUID unset (all zeros on some systems),
    // which two runs would share.
    const RPC_STATUS created = UuidCreate(&uuid);
    if (created != RPC_S_OK && created != RPC_S_UUID_LOCAL_ONLY) return created;
    RPC_CSTR text = nullptr;
    const RPC_STATUS converted = UuidToStringA(&uuid, &text);
    if (converted != RPC_S_OK) return converted;
    if (text == nullptr) return RPC_S_OUT_OF_MEMORY;
    result = reinterpret_cast<const char*>(text);
    RpcStringFreeA(&text);
    return ERROR_SUCCESS;
}

std::string commandLineTail() {
    const char* line = GetCommandLineA();
    if (line == nullptr) return {};
    // Skip the program name the way the C run-time does for WinMain: a quoted
    // name ends at the closing quote, an unquoted one at the first blank.
    const char* p = line;
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

namespace {

// A GUI program has no standard handles of its own unless its starter gave it
// some; then it borrows the parent's console.
void writeStandardHandle(DWORD which, std::string_view text) {
    HANDLE target = GetStdHandle(which);
    HANDLE console = nullptr;
    if (target == nullptr || target == INVALID_HANDLE_VALUE) {
        if (AttachConsole(ATTACH_PARENT_PROCESS)) {
            console = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
            target = console;
        }
    }
    if (target == nullptr || target == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(target, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    if (console != nullptr && console != INVALID_HANDLE_VALUE) CloseHandle(console);
}

}  // namespace

void writeStandardError(std::string_view text) { writeStandardHandle(STD_ERROR_HANDLE, text); }

void writeStandardOutput(std::string_view text) { writeStandardHandle(STD_OUTPUT_HANDLE, text); }

}  // namespace tw::platform
