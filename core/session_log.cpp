#include "core/session_log.h"

#include <ctime>

#include "core/registry_access.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace tw {

bool SessionLog::open(const std::string& path) {
    close();
    pending_.clear();
    return file_.open(path) == platform::kSuccess;
}

void SessionLog::close() {
    if (!pending_.empty()) flushPending();
    file_.close();
}

SessionLog& SessionLog::operator<<(std::string_view text) {
    if (file_.isOpen()) pending_.append(text);
    return *this;
}

SessionLog& SessionLog::endLine() {
    if (file_.isOpen()) {
        pending_.append("\r\n");
        flushPending();
    }
    return *this;
}

SessionLog& SessionLog::endLineBlank() { return endLine().endLine(); }

void SessionLog::flushPending() {
    file_.write(pending_);
    pending_.clear();
}

std::string timeStamp() {
    const std::tm now = platform::localTime();
    char text[128] = {};
    std::strftime(text, sizeof text, "%H:%M:%S on %m/%d/%y", &now);
    return text;
}

std::string logPath() {
    const std::string folder = appDataFolder();
    return folder.empty() ? std::string() : folder + "\\Tidewell.log";
}

void openSessionLog(SessionLog& log, bool commandLine) {
    const std::string path = logPath();
    if (path.empty()) return;
    log.open(path);
    log.line("Tidewell - Quillmark Log");
    log.lineBlank("-------------------------------------------");
    log << (commandLine ? "* Beginning Configuration (command line) at " : "* Beginning Configuration at ")
        << timeStamp() << " *";
    log.endLineBlank();
}

void dumpRegistryTree(std::string_view keyPath, int depth, SessionLog& log) {
    platform::RegKey key;
    const platform::Status rc = key.open(platform::Hive::CurrentUser, keyPath, platform::kKeyAllAccess);
    if (rc != platform::kSuccess) {
        log << "error: " << rc;
        log.endLine();
        return;
    }
    std::uint32_t count = 0;
    if (key.subkeyCount(count) != platform::kSuccess) return;
    for (std::uint32_t index = 0; index < count; ++index) {
        std::string name;
        if (key.enumSubkey(index, name) != platform::kSuccess) continue;
        for (int level = 0; level < depth; ++level) log << "   ";
        log.line(name);
        dumpRegistryTree(std::string(keyPath) + "\\" + name, depth + 1, log);
    }
}

}  // namespace tw
