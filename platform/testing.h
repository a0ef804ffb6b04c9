// Test isolation on both backends. Only tests include this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialog.h"
#include "platform/mapi.h"
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

// From now on the fake backend keeps its files in memory rather than on the
// host (for the fuzz targets, which make thousands of small files a second).
// Call it before any file is made. Windows keeps files on disk: elsewhere
// this does nothing.
void keepFilesInMemory();

// Deletes a key with everything below it; kSuccess when it did not exist.
Status deleteKeyTree(Hive hive, std::string_view path);

// The names of a key's values, in the registry's order; empty when it cannot be opened.
std::vector<std::string> valueNames(Hive hive, std::string_view path);

// The platform calls a test can make fail, each named after the Windows
// function it stands for (see callName).
enum class PlatformCall {
    // Registry
    OpenKey,        // RegOpenKeyEx
    CreateKey,      // RegCreateKeyEx
    QueryInfoKey,   // RegQueryInfoKey
    QueryKeyName,   // NtQueryKey (a key's stored name)
    EnumKey,        // RegEnumKeyEx
    QueryValue,     // RegQueryValueEx
    SetValue,       // RegSetValueEx
    DeleteValue,    // RegDeleteValue
    DeleteKey,      // RegDeleteKey
    // Files and folders
    OpenFile,       // CreateFile of an existing file for reading
    ReadFile,       // ReadFile
    CreateFile,     // CreateFile of a new file (NewFile)
    WriteFile,      // WriteFile to a new file
    FlushFile,      // FlushFileBuffers and CloseHandle of a new file
    OpenLog,        // CreateFile of the append-only log
    AppendLog,      // WriteFile to the append-only log
    ReplaceFile,    // MoveFileEx
    DeleteFile,     // DeleteFile
    FileAttributes, // GetFileAttributes (fileExists, folderExists)
    CreateFolder,   // CreateDirectory
    FindFiles,      // FindFirstFile
    // Processes and the rest
    ProcessSnapshot,   // CreateToolhelp32Snapshot
    TerminateProcess,  // OpenProcess and TerminateProcess
    StartProcess,      // CreateProcess
    CreateUuid,        // UuidCreate
    // Extended MAPI (platform/mapi.h), a failed HRESULT each
    MapiInitialize,     // MAPIInitialize
    MapiAdminProfiles,  // MAPIAdminProfiles
    MapiLogon,          // MAPILogonEx
    MapiAdminServices,  // IProfAdmin::AdminServices
    MapiCreateService,  // IMsgServiceAdmin::CreateMsgService
};
using RegistryCall = PlatformCall;

// The Windows function a call stands for, as logs name it: "RegSetValueEx".
const char* callName(PlatformCall call);
// What such a call answers when it fails for the commonest reason in the
// field: access denied for the registry and for changing files (an access
// list, a read-only file), a sharing violation for opening a file another
// program holds, a full disk for writing and flushing, and so on.
Status typicalError(PlatformCall call);

// Makes the next such call fail once with the given error. The name is the
// key's own (last) name for key calls, the value's name for value calls and
// the Windows path for file calls. Only the fake backend can fail a call on
// demand; elsewhere this does nothing and answers false, and the test should
// skip.
bool failNextRegistryCall(RegistryCall call, std::string_view name, Status error);
bool failNextCall(PlatformCall call, std::string_view name, Status error);

// Numbers every platform call made while it lives and, when given a number,
// makes that one call fail with typicalError (a registry call, a file call,
// a process call alike). A test runs an operation once to count its calls,
// then once per number to see it survive each failure in turn. Only the fake
// backend counts; elsewhere active() is false and the test should skip.
class CallFaults {
public:
    struct Call {
        PlatformCall kind;
        std::string subject;  // the key path (with "\value" for value calls), file path or program
    };

    explicit CallFaults(std::size_t failing = 0);  // 0: count only; n: the nth call fails
    ~CallFaults();
    CallFaults(const CallFaults&) = delete;
    CallFaults& operator=(const CallFaults&) = delete;

    bool active() const { return active_; }
    const std::vector<Call>& calls() const { return calls_; }
    // The call that was made to fail, once it has been made.
    const std::optional<Call>& failed() const { return failed_; }

    // Used by the fake backend: notes a call, and answers true with the error
    // when it is the one to fail.
    bool note(PlatformCall kind, std::string subject, Status& error);

private:
    std::size_t failing_ = 0;
    std::vector<Call> calls_;
    std::optional<Call> failed_;
    bool active_ = false;
};

// While it lives, the key's access list lets everyone only read it, as an
// administrator or a policy may leave a key: opening it for writing, creating
// it or deleting it answers kErrorAccessDenied. Its subkeys keep their own.
class ReadOnlyKey {
public:
    ReadOnlyKey(Hive hive, std::string path);
    ~ReadOnlyKey();
    ReadOnlyKey(const ReadOnlyKey&) = delete;
    ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;
    bool applied() const { return applied_; }

private:
    Hive hive_;
    std::string path_;
    std::string savedSecurity_;  // the access list to put back (Windows)
    bool applied_ = false;
};

// Sets (or with nullopt removes) a variable of this process's environment.
void setEnvironmentVariable(std::string_view name, std::optional<std::string_view> value);

// A process that runs until terminated, seen in snapshots under imageName. Under
// Windows it is a small idle program copied to folder under that name.
std::uint32_t startStandInProcess(const std::string& imageName, const std::string& folder);
// A stand-in that refuses to be terminated, as a process of another user or an
// elevated one does. Only the fake backend can make one; elsewhere the answer is 0.
std::uint32_t startUnstoppableStandIn(const std::string& imageName);
// True when the stand-in has ended, waiting up to timeoutMs for it. Both take
// only ids that startStandInProcess gave; stopProcess ends the stand-in if it
// still runs and lets its id go.
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

// A MAPI that works, while it lives: with the fake backend the in-memory one,
// under Windows the stand-in MAPI32.DLL built beside the test programs
// (standin_mapi32.dll), loaded in place of the system's. Every call is recorded, and one can be made to fail.
class StandInMapi {
public:
    StandInMapi();
    ~StandInMapi();
    StandInMapi(const StandInMapi&) = delete;
    StandInMapi& operator=(const StandInMapi&) = delete;

    // The named call fails with this result from now on.
    void failCall(MapiCall call, HResult code);
    // The calls made so far, one a line: "MAPIInitialize", "MAPIAdminProfiles",
    // "MAPILogonEx <profile>", "AdminServices <profile>", "CreateMsgService
    // <service> <display name>", and the releases: "Release IMsgServiceAdmin",
    // "Logoff", "Release IMAPISession", "Release IProfAdmin", "MAPIUninitialize".
    std::string calls() const;

private:
    std::string record_;
};

// The name a MAPI call has in StandInMapi's record and failure setting.
std::string_view mapiCallName(MapiCall call);

// Holds a file open for reading until destroyed, sharing only reading, as a
// program that reads the file might: others can read it, but not write,
// replace or delete it.
class ReadingFileLock {
public:
    explicit ReadingFileLock(const std::string& path);
    ~ReadingFileLock();
    ReadingFileLock(const ReadingFileLock&) = delete;
    ReadingFileLock& operator=(const ReadingFileLock&) = delete;
    bool locked() const { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;
    std::string path_;
};

// While it lives, the key (created when missing) refuses to be opened for
// writing, as a key locked down by policy does; it can still be read. Only
// the Win32 backend can do this: elsewhere active() is false.
class WriteProtectedKey {
public:
    WriteProtectedKey(Hive hive, const std::string& path);
    ~WriteProtectedKey();
    WriteProtectedKey(const WriteProtectedKey&) = delete;
    WriteProtectedKey& operator=(const WriteProtectedKey&) = delete;
    bool active() const { return active_; }

private:
    Hive hive_;
    std::string path_;
    bool active_ = false;
};
// Sets or clears a file's read-only attribute, as a user can in its properties.
void setReadOnly(const std::string& path, bool readOnly);

// The path of this program's own executable (empty with the fake backend).
std::string currentProgramPath();

// A program that notes each time it runs: at every start it appends its own
// path as a line to the file "<its path>.ran", then ends. With the fake backend
// a "run" is a startProcess call whose program is that path.
void installLaunchRecorder(const std::string& path);
// The lines the recorder installed at path has written, once it has run
// (waiting up to timeoutMs for the first line); empty when it has not run.
std::string launchRecorderRuns(const std::string& path, unsigned timeoutMs);

// Runs a command line to its end with its standard output and standard error
// going to a new file at outputPath, and gives its exit code. Only Windows runs
// programs; the fake backend answers kErrorFileNotFound.
Status runCapturingOutput(const std::string& commandLine, const std::string& outputPath, std::uint32_t& exitCode);

// Runs a command line to its end as its debugger, which is told of every DLL
// the program loads, at its start or later. Standard output and standard
// error go to a new file at outputPath, unless that is empty. modules gets the
// DLLs in the order they were loaded: each one's path as the loader gives it
// ("C:\windows\system32\user32.dll"), else its own name from its exports.
// Only Windows runs programs; the fake backend answers kErrorFileNotFound.
Status runWatchingModules(const std::string& commandLine, const std::string& outputPath, std::uint32_t& exitCode,
                          std::vector<std::string>& modules);

// A program started by a test, ended (if still running) when this is destroyed.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    Status start(const std::string& program, const std::string& commandLine);
    // True when it has ended, waiting up to timeoutMs.
    bool waitForExit(unsigned timeoutMs);
    std::uint32_t exitCode() const;
    void terminate();

private:
    void* handle_ = nullptr;
};

// Driving dialogs the way a user does, with real window messages. They work on
// a dialog of this thread (posted messages are then pumped before returning)
// and on one of another process. The fake backend has no windows: they do
// nothing there.

// A visible top-level window with this title, waiting up to timeoutMs for it;
// its thread has answered a message, so its initialisation has finished.
DialogWindow findWindow(std::string_view title, unsigned timeoutMs);

// Handles this thread's pending messages as a dialog's message loop does, the
// dialog keys (Tab, Enter, Esc) included.
void pumpMessages();

// Sends BM_CLICK, returning when the click has been handled.
void click(DialogWindow dialog, int id);
// Posts BM_CLICK: for a button that opens a modal dialog, which would block a sent one.
void postClick(DialogWindow dialog, int id);
// Types into an edit, one WM_CHAR per character, at the caret.
void typeText(DialogWindow dialog, int id, std::string_view text);
// Deletes the character before the caret.
void pressBackspace(DialogWindow dialog, int id);
// A key press (WM_KEYDOWN, WM_KEYUP) to the dialog's focused control, through
// the dialog's message loop. Keys are Windows virtual-key codes.
inline constexpr int kKeyTab = 0x09;
inline constexpr int kKeyEnter = 0x0D;
inline constexpr int kKeyEscape = 0x1B;
void pressKey(DialogWindow dialog, int virtualKey);
// A WM_COMMAND that comes without any user action, as another program could send it.
void sendCommand(DialogWindow dialog, int id, int notifyCode);
// The close box (WM_CLOSE).
void closeWindow(DialogWindow dialog);
// Makes the window the active foreground window, as a click on it would. Xvfb
// has no window manager to activate a program's first window.
void activate(DialogWindow dialog);
// Tells every control of the window that the mouse has left it, so none is
// drawn hot under a pointer that merely rests there (for pictures). Moving the
// pointer instead can leave the window drawn inactive under Wine.
void endHotTracking(DialogWindow dialog);
// The id of the control that has the keyboard focus in the dialog's thread; 0 for none.
int focusedItem(DialogWindow dialog);

struct ScreenRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};
ScreenRect windowRect(DialogWindow dialog);

}  // namespace tw::platform::testing
