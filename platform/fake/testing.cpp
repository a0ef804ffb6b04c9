#include "platform/testing.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "platform/fake/fake_state.h"
#include "platform/fake/memory_files.h"
#include "platform/system.h"

namespace tw::platform::testing {

IsolatedRegistry::IsolatedRegistry() { fake::resetRegistry(); }

IsolatedRegistry::~IsolatedRegistry() { fake::resetRegistry(); }

TempFolder::TempFolder() {
    path_ = "C:\\temp\\tidewell-test-" + newUuidText();
    if (fake::memory::enabled()) {
        fake::memory::makeFolders(fake::hostPath(path_));
    } else {
        std::filesystem::create_directories(fake::hostPath(path_));
    }
}

TempFolder::~TempFolder() {
    if (fake::memory::enabled()) {
        fake::memory::removeTree(fake::hostPath(path_));
        return;
    }
    std::error_code error;
    std::filesystem::remove_all(fake::hostPath(path_), error);
}

void keepFilesInMemory() { fake::memory::enable(); }

Status deleteKeyTree(Hive hive, std::string_view path) {
    std::vector<std::string> children;
    {
        RegKey key;
        const Status rc = key.open(hive, path, kKeyRead);
        if (rc == kErrorFileNotFound) return kSuccess;
        if (rc != kSuccess) return rc;
        std::string name;
        for (std::uint32_t i = 0; key.enumSubkey(i, name) == kSuccess; ++i) children.push_back(name);
    }
    for (const auto& child : children) {
        if (const Status rc = deleteKeyTree(hive, std::string(path) + "\\" + child); rc != kSuccess) return rc;
    }
    const Status rc = deleteKey(hive, path);
    return rc == kErrorFileNotFound ? kSuccess : rc;
}

std::vector<std::string> valueNames(Hive hive, std::string_view path) {
    std::vector<std::string> names;
    if (const fake::KeyNode* node = fake::findKey(hive, path)) {
        for (const auto& [key, value] : node->values) names.push_back(value.name);
    }
    return names;
}

bool failNextRegistryCall(RegistryCall call, std::string_view name, Status error) {
    return failNextCall(call, name, error);
}

bool failNextCall(PlatformCall call, std::string_view name, Status error) {
    fake::state().injectedFailures.push_back({call, std::string(name), error});
    return true;
}

CallFaults::CallFaults(std::size_t failing) : failing_(failing), active_(true) {
    fake::state().callFaults = this;
}

CallFaults::~CallFaults() {
    if (fake::state().callFaults == this) fake::state().callFaults = nullptr;
}

ReadOnlyKey::ReadOnlyKey(Hive hive, std::string path) : hive_(hive), path_(std::move(path)) {
    if (fake::KeyNode* node = fake::findKey(hive_, path_)) {
        node->readOnly = true;
        applied_ = true;
    }
}

ReadOnlyKey::~ReadOnlyKey() {
    if (!applied_) return;
    if (fake::KeyNode* node = fake::findKey(hive_, path_)) node->readOnly = false;
}

void setEnvironmentVariable(std::string_view name, std::optional<std::string_view> value) {
    auto& environment = fake::state().environment;
    if (value) {
        environment[std::string(name)] = std::string(*value);
    } else {
        auto found = environment.find(name);
        if (found != environment.end()) environment.erase(found);
    }
}

std::uint32_t startStandInProcess(const std::string& imageName, const std::string&) {
    auto& s = fake::state();
    const auto id = s.nextProcessId++;
    s.processes.push_back({id, imageName});
    return id;
}

std::uint32_t startUnstoppableStandIn(const std::string& imageName) {
    const auto id = startStandInProcess(imageName, {});
    fake::state().unstoppable.insert(id);
    return id;
}

bool waitForProcessExit(std::uint32_t processId, unsigned) {
    const auto& processes = fake::state().processes;
    return std::none_of(processes.begin(), processes.end(),
                        [processId](const ProcessEntry& p) { return p.id == processId; });
}

void stopProcess(std::uint32_t processId) {
    fake::state().unstoppable.erase(processId);
    terminateProcess(processId, 0);
}

namespace {

bool existsOnDisk(const std::string& host) {
    if (fake::memory::enabled()) return fake::memory::isFile(host) || fake::memory::isFolder(host);
    return std::filesystem::exists(host);
}

}  // namespace

ExclusiveFileLock::ExclusiveFileLock(const std::string& path) : path_(fake::hostPath(path)) {
    if (existsOnDisk(path_)) {
        fake::state().lockedFiles.insert(path_);
        handle_ = this;
    }
}

ExclusiveFileLock::~ExclusiveFileLock() {
    if (handle_ != nullptr) fake::state().lockedFiles.erase(path_);
}

namespace {

bool isMapiCall(PlatformCall call) { return call >= PlatformCall::MapiInitialize; }

void clearMapiFailures() {
    std::erase_if(fake::state().injectedFailures, [](const fake::InjectedFailure& f) { return isMapiCall(f.call); });
}

}  // namespace

StandInMapi::StandInMapi() {
    clearMapiFailures();
    fake::state().mapiCalls.clear();
}

StandInMapi::~StandInMapi() { clearMapiFailures(); }

// The fake's MAPI fails its calls as every other fake call fails: through
// the injected failures (here one that holds until the stand-in goes).
void StandInMapi::failCall(MapiCall call, HResult code) {
    clearMapiFailures();
    fake::state().injectedFailures.push_back({fake::platformCallOf(call), {}, code, true});
}

std::string StandInMapi::calls() const { return fake::state().mapiCalls; }

ReadingFileLock::ReadingFileLock(const std::string& path) : path_(fake::hostPath(path)) {
    if (existsOnDisk(path_)) {
        fake::state().lockedFiles.insert(path_);
        fake::state().readableLocks.insert(path_);
        handle_ = this;
    }
}

ReadingFileLock::~ReadingFileLock() {
    if (handle_ != nullptr) {
        fake::state().lockedFiles.erase(path_);
        fake::state().readableLocks.erase(path_);
    }
}

WriteProtectedKey::WriteProtectedKey(Hive hive, const std::string& path) : hive_(hive), path_(path) {}

WriteProtectedKey::~WriteProtectedKey() = default;

void setReadOnly(const std::string& path, bool readOnly) {
    // The host's write permission stands for the attribute; the fake's file
    // functions honour it themselves, since a root process ignores it.
    if (fake::memory::enabled()) {
        fake::memory::setReadOnly(fake::hostPath(path), readOnly);
        return;
    }
    namespace fs = std::filesystem;
    std::error_code error;
    fs::permissions(fake::hostPath(path), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    readOnly ? fs::perm_options::remove : fs::perm_options::add, error);
}

std::string currentProgramPath() { return {}; }

void installLaunchRecorder(const std::string& path) {
    auto& started = fake::state().startedPrograms;
    std::erase_if(started, [&path](const auto& program) { return program.first == path; });
}

std::string launchRecorderRuns(const std::string& path, unsigned) {
    std::string runs;
    for (const auto& [program, commandLine] : fake::state().startedPrograms) {
        if (program == path) runs += path + "\r\n";
    }
    return runs;
}

Status runCapturingOutput(const std::string&, const std::string&, std::uint32_t&) { return kErrorFileNotFound; }
Status runWatchingModules(const std::string&, const std::string&, std::uint32_t&, std::vector<std::string>&) {
    return kErrorFileNotFound;
}

ChildProcess::~ChildProcess() = default;
Status ChildProcess::start(const std::string&, const std::string&) { return kErrorFileNotFound; }
bool ChildProcess::waitForExit(unsigned) { return true; }
std::uint32_t ChildProcess::exitCode() const { return 0; }
void ChildProcess::terminate() {}

DialogWindow findWindow(std::string_view, unsigned) { return {}; }
void pumpMessages() {}
void click(DialogWindow, int) {}
void postClick(DialogWindow, int) {}
void typeText(DialogWindow, int, std::string_view) {}
void pressBackspace(DialogWindow, int) {}
void pressKey(DialogWindow, int) {}
void sendCommand(DialogWindow, int, int) {}
void closeWindow(DialogWindow) {}
void activate(DialogWindow) {}
void endHotTracking(DialogWindow) {}
int focusedItem(DialogWindow) { return 0; }
ScreenRect windowRect(DialogWindow) { return {}; }

}  // namespace tw::platform::testing
