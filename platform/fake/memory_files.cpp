#include "platform/fake/memory_files.h"

#include <fnmatch.h>

#include <cstdlib>
#include <cstring>
#include <map>

#include "platform/fake/fake_state.h"
#include "platform/files.h"

namespace tw::platform::fake::memory {
namespace {

constexpr Status kAlreadyExists = 183;

struct Entry {
    bool folder = false;
    bool readOnly = false;
    std::string bytes;
    std::string name;  // as it was created
};

// Keyed by host path with every byte folded as Windows folds names, so one
// file answers to every spelling of its name; "/" separates names.
using Disk = std::map<std::string, Entry>;

std::string key(const std::string& host) {
    // "C:\dir\" names the folder "C:\dir", as on Windows.
    std::string folded(host);
    while (folded.size() > 1 && folded.back() == '/') folded.pop_back();
    for (char& c : folded) c = static_cast<char>(foldedByte(static_cast<unsigned char>(c)));
    return folded;
}

std::string nameOf(const std::string& host) { return host.substr(host.find_last_of('/') + 1); }

struct Memory {
    // TIDEWELL_FAKE_FILES=memory starts a whole test program this way.
    bool enabled = [] {
        const char* mode = std::getenv("TIDEWELL_FAKE_FILES");
        return mode != nullptr && std::strcmp(mode, "memory") == 0;
    }();
    Disk disk;
};

Memory& memory() {
    static Memory instance;
    return instance;
}

Disk& disk() { return memory().disk; }

std::string parentOf(const std::string& host) {
    const auto cut = host.find_last_of('/');
    return cut == std::string::npos ? std::string() : host.substr(0, cut);
}

Entry* find(const std::string& host) {
    auto found = disk().find(key(host));
    return found == disk().end() ? nullptr : &found->second;
}

// Windows answers 3 rather than 2 when a folder on the way is missing.
Status missingStatus(const std::string& host) {
    return isFolder(parentOf(host)) ? kErrorFileNotFound : kErrorPathNotFound;
}

}  // namespace

bool enabled() { return memory().enabled; }

void enable() { memory().enabled = true; }

bool isFile(const std::string& host) {
    const Entry* entry = find(host);
    return entry != nullptr && !entry->folder;
}

bool isFolder(const std::string& host) {
    const Entry* entry = find(host);
    return entry != nullptr && entry->folder;
}

Status create(const std::string& host, OpenFile& file) {
    file.key = key(host);
    if (Entry* entry = find(host)) {
        // A folder, or a read-only file, cannot be opened for writing.
        if (entry->folder || entry->readOnly) return kErrorAccessDenied;
        entry->bytes.clear();
        return kSuccess;
    }
    if (!isFolder(parentOf(host))) return kErrorPathNotFound;
    disk().emplace(file.key, Entry{false, false, {}, nameOf(host)});
    return kSuccess;
}

Status openForAppend(const std::string& host, OpenFile& file) {
    file.key = key(host);
    if (Entry* entry = find(host)) return entry->folder || entry->readOnly ? kErrorAccessDenied : kSuccess;
    if (!isFolder(parentOf(host))) return kErrorPathNotFound;
    disk().emplace(file.key, Entry{false, false, {}, nameOf(host)});
    return kSuccess;
}

Status append(const OpenFile& file, std::string_view bytes) {
    auto found = disk().find(file.key);
    // The host keeps writing to a file deleted while open; here the bytes go nowhere.
    if (found == disk().end() || found->second.folder) return kSuccess;
    found->second.bytes.append(bytes);
    return kSuccess;
}

Status openForReading(const std::string& host, OpenFile& file) {
    const Entry* entry = find(host);
    if (entry == nullptr) return missingStatus(host);
    if (entry->folder) return kErrorAccessDenied;  // Windows does not open a folder as a file
    file.key = key(host);
    file.position = 0;
    return kSuccess;
}

Status readAt(OpenFile& file, char* buffer, std::size_t size, std::size_t& got) {
    got = 0;
    auto found = disk().find(file.key);
    // A file deleted while open reads as ended, as it does on the host.
    if (found == disk().end() || file.position >= found->second.bytes.size()) return kSuccess;
    got = found->second.bytes.copy(buffer, size, file.position);
    file.position += got;
    return kSuccess;
}

Status read(const std::string& host, std::string& bytes, std::uint64_t maxBytes) {
    const Entry* entry = find(host);
    if (entry == nullptr) return missingStatus(host);
    if (entry->folder) return kErrorAccessDenied;  // Windows does not open a folder as a file
    if (entry->bytes.size() > maxBytes) return kErrorFileTooLarge;
    bytes = entry->bytes;
    return kSuccess;
}

Status rename(const std::string& from, const std::string& to) {
    const Entry* source = find(from);
    if (source == nullptr) return missingStatus(from);
    if (const Entry* target = find(to)) {
        if (target->folder || target->readOnly) return kErrorAccessDenied;
    } else if (!isFolder(parentOf(to))) {
        return kErrorPathNotFound;
    }
    if (source->folder) return kErrorAccessDenied;
    Entry moved = *source;
    disk().erase(key(from));
    // A file that is replaced keeps its name's spelling, as on Windows.
    const Entry* target = find(to);
    moved.name = target != nullptr ? target->name : nameOf(to);
    disk()[key(to)] = std::move(moved);
    return kSuccess;
}

Status remove(const std::string& host) {
    const Entry* entry = find(host);
    if (entry == nullptr) return missingStatus(host);
    if (entry->folder || entry->readOnly) return kErrorAccessDenied;
    disk().erase(key(host));
    return kSuccess;
}

Status makeFolder(const std::string& host) {
    if (const Entry* entry = find(host)) return entry->folder ? kSuccess : kAlreadyExists;
    if (!isFolder(parentOf(host))) return kErrorPathNotFound;
    disk().emplace(key(host), Entry{true, false, {}, nameOf(host)});
    return kSuccess;
}

Status list(const std::string& folder, const std::string& mask, std::vector<std::string>& names) {
    if (!isFolder(folder)) return kErrorPathNotFound;
    const std::string prefix = key(folder) + "/";
    // The keys below the folder come together, after its own.
    for (auto it = disk().lower_bound(prefix); it != disk().end() && it->first.starts_with(prefix); ++it) {
        if (it->first.find('/', prefix.size()) != std::string::npos) continue;
        const std::string& name = it->second.name;
        if (::fnmatch(mask.c_str(), name.c_str(), FNM_CASEFOLD) == 0) names.push_back(name);
    }
    return names.empty() ? kErrorFileNotFound : kErrorNoMoreFiles;
}

void makeFolders(const std::string& host) {
    std::size_t cut = 0;
    while ((cut = host.find('/', cut + 1)) != std::string::npos) {
        const std::string folder = host.substr(0, cut);
        disk().emplace(key(folder), Entry{true, false, {}, nameOf(folder)});
    }
    disk().emplace(key(host), Entry{true, false, {}, nameOf(host)});
}

void removeTree(const std::string& host) {
    const std::string prefix = key(host) + "/";
    auto it = disk().lower_bound(prefix);
    while (it != disk().end() && it->first.starts_with(prefix)) it = disk().erase(it);
    disk().erase(key(host));
}

std::string storedName(const std::string& host) {
    const Entry* entry = find(host);
    return entry != nullptr ? entry->name : std::string();
}

bool isReadOnly(const std::string& host) {
    const Entry* entry = find(host);
    return entry != nullptr && !entry->folder && entry->readOnly;
}

void setReadOnly(const std::string& host, bool readOnly) {
    if (Entry* entry = find(host)) entry->readOnly = readOnly;
}

}  // namespace tw::platform::fake::memory
