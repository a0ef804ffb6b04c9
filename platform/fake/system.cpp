#include "platform/system.h"

#include <algorithm>
#include <cstdio>
#include <random>

#include "platform/fake/fake_state.h"

namespace tw::platform {
namespace {

using testing::PlatformCall;

bool injected(PlatformCall call, const std::string& subject, Status& error) {
    return fake::failing(call, subject, [&subject] { return subject; }, error);
}

}  // namespace

std::optional<std::string> environmentVariable(std::string_view name) {
    const auto& environment = fake::state().environment;
    auto found = environment.find(name);
    if (found == environment.end()) return std::nullopt;
    return found->second;
}

std::tm localTime() {
    const std::time_t now = std::time(nullptr);
    std::tm result{};
    localtime_r(&now, &result);
    return result;
}

std::vector<ProcessEntry> processSnapshot() {
    std::vector<ProcessEntry> processes;
    processSnapshot(processes);
    return processes;
}

Status processSnapshot(std::vector<ProcessEntry>& processes) {
    processes.clear();
    Status error = kSuccess;
    if (injected(PlatformCall::ProcessSnapshot, {}, error)) return error;
    processes = fake::state().processes;
    return kSuccess;
}

Status terminateProcess(std::uint32_t processId, std::uint32_t) {
    auto& processes = fake::state().processes;
    auto found = std::find_if(processes.begin(), processes.end(),
                              [processId](const ProcessEntry& p) { return p.id == processId; });
    Status error = kSuccess;
    if (injected(PlatformCall::TerminateProcess, found == processes.end() ? std::string() : found->imageName, error)) {
        return error;
    }
    if (found == processes.end()) return kErrorInvalidParameter;
    if (fake::state().unstoppable.count(processId) != 0) return kErrorAccessDenied;
    processes.erase(found);
    return kSuccess;
}

// A program started here ends at once: the start is only recorded, so it never
// shows in a later process snapshot.
Status startProcess(const std::string& applicationName, const std::string& commandLine) {
    Status error = kSuccess;
    if (injected(PlatformCall::StartProcess, applicationName, error)) return error;
    fake::state().startedPrograms.emplace_back(applicationName, commandLine);
    return kSuccess;
}

Status runProcess(const std::string&, std::uint32_t&) { return kErrorFileNotFound; }

std::string newUuidText() {
    std::string text;
    newUuidText(text);
    return text;
}

Status newUuidText(std::string& uuid) {
    uuid.clear();
    Status error = kSuccess;
    if (injected(PlatformCall::CreateUuid, {}, error)) return error;
    static std::mt19937_64 generator{std::random_device{}()};
    const std::uint64_t high = generator();
    const std::uint64_t low = generator();
    char text[37];
    std::snprintf(text, sizeof text, "%08x-%04x-4%03x-%04x-%012llx", static_cast<unsigned>(high >> 32),
                  static_cast<unsigned>((high >> 16) & 0xFFFF), static_cast<unsigned>(high & 0x0FFF),
                  static_cast<unsigned>(0x8000 | ((low >> 48) & 0x3FFF)),
                  static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFull));
    uuid = text;
    return kSuccess;
}

std::string commandLineTail() { return {}; }

void writeStandardError(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stderr); }

void writeStandardOutput(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

}  // namespace tw::platform
