// In-memory state of the fake backend, shared by its source files.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/mapi.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/testing.h"

namespace tw::platform::fake {

// Windows compares key, value and variable names without regard to case, the
// letters of the ANSI code page beyond ASCII included (É and é are one name);
// the same order enumerates subkeys.
struct NameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

// The byte a name's byte compares as: the code page's byte of its lower-case
// letter, so that names which NameLess finds equal fold to the same bytes.
unsigned char foldedByte(unsigned char byte);

struct NamedValue {
    std::string name;  // as first written
    RegValue value;
};

struct KeyNode {
    std::string name;
    KeyNode* parent = nullptr;  // nullptr for a hive's root
    std::map<std::string, std::unique_ptr<KeyNode>, NameLess> children;
    std::map<std::string, NamedValue, NameLess> values;
    bool deleted = false;   // handles still open on it answer kErrorKeyDeleted
    bool readOnly = false;  // its access list lets everyone only read it
};

// A call a test has made fail once (testing::failNextCall).
struct InjectedFailure {
    testing::PlatformCall call{};
    std::string name;  // the key's own name, the value's name or the file's path; empty: any
    Status error = 0;
    bool everyTime = false;  // fails every such call, not only the next
};

struct State {
    KeyNode classesRoot;
    KeyNode currentUser;
    KeyNode localMachine;
    // Deleted keys stay allocated, as a handle may still point at one.
    std::vector<std::unique_ptr<KeyNode>> deletedKeys;
    std::vector<InjectedFailure> injectedFailures;
    testing::CallFaults* callFaults = nullptr;  // the test's, while one lives
    std::map<std::string, std::string, NameLess> environment;
    std::vector<ProcessEntry> processes;
    std::uint32_t nextProcessId = 1000;
    std::set<std::uint32_t> unstoppable;  // processes that refuse termination
    std::set<std::string> lockedFiles;  // host paths held open without sharing
    std::set<std::string> readableLocks;  // those of them that others may still read
    // Every startProcess call: the program and the command line it was given.
    std::vector<std::pair<std::string, std::string>> startedPrograms;
    // MAPI: the call made to fail (with its result), every call made, one a
    // line, and a counter that names new profile sections.
    std::string mapiCalls;
    std::uint32_t nextProfileSection = 1;
};

State& state();
void resetRegistry();

// The key at a path, or nullptr when there is none.
KeyNode* findKey(Hive hive, std::string_view path);

// The Unicode character of a byte of the ANSI code page (Windows-1252 here).
char32_t ansiCodePoint(unsigned char byte);

// True, with the error, when a test has made this call on this name fail; the
// failure is used up.
bool takeInjectedFailure(testing::PlatformCall call, std::string_view name, Status& error);

// Every call of the fake that a test may make fail asks this first: true,
// with the error to answer, when the call is to fail. name is what
// failNextCall matches; subject() describes the call for a CallFaults, and is
// only built while one counts.
template <typename Subject>
bool failing(testing::PlatformCall call, std::string_view name, Subject subject, Status& error) {
    State& s = state();
    if (!s.injectedFailures.empty() && takeInjectedFailure(call, name, error)) return true;
    return s.callFaults != nullptr && s.callFaults->note(call, subject(), error);
}

// The platform call a MAPI call is among the calls a test can make fail.
testing::PlatformCall platformCallOf(MapiCall call);

// While it lives, the fake's calls are not counted or failed by a test's
// CallFaults: for the fake's own work inside one emulated call (MAPI's
// registry sections are its business, not calls the program makes).
class InsideOneCall {
public:
    InsideOneCall() : saved_(std::exchange(state().callFaults, nullptr)) {}
    ~InsideOneCall() { state().callFaults = saved_; }
    InsideOneCall(const InsideOneCall&) = delete;
    InsideOneCall& operator=(const InsideOneCall&) = delete;

private:
    testing::CallFaults* saved_;
};

// The path of a key below its hive ("Software\\Microsoft\\..."), for CallFaults.
std::string keyPath(const KeyNode& key);

// The host path of a Windows path: "C:\a\b" becomes <root>/C/a/b.
std::string hostPath(std::string_view windowsPath);
bool isLocked(std::string_view windowsPath);
// Held by another program, which lets others read it but nothing else.
bool isReadableLock(std::string_view windowsPath);

}  // namespace tw::platform::fake
