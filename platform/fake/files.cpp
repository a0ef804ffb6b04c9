#include "platform/files.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <utility>

#include "platform/fake/fake_state.h"
#include "platform/fake/memory_files.h"
#include "platform/text.h"

namespace tw::platform {
namespace {

namespace fs = std::filesystem;

constexpr Status kSharingViolation = 32;
constexpr Status kAlreadyExists = 183;
constexpr Status kPathNotFound = 3;
constexpr Status kWriteFault = 29;

Status fromErrno(int error) {
    switch (error) {
    case ENOENT: return kErrorFileNotFound;
    case ENOTDIR: return kPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR: return kErrorAccessDenied;
    default: return kWriteFault;
    }
}

// Windows answers 3 rather than 2 when a folder on the way is missing.
Status missingStatus(const std::string& host) {
    return fs::is_directory(fs::path(host).parent_path()) ? kErrorFileNotFound : kPathNotFound;
}

// Windows refuses to replace or delete a file with the read-only attribute.
// The host's write permission stands for it (testing::setReadOnly); the checks
// are made here because a root process would ignore it.
bool isReadOnly(const std::string& host) {
    struct stat info {};
    return ::stat(host.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0;
}

int fd(void* handle) { return static_cast<int>(reinterpret_cast<std::intptr_t>(handle)) - 1; }
void* asHandle(int descriptor) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(descriptor) + 1); }

// With files in memory, a handle is an open file of the memory disk.
using MemoryFile = fake::memory::OpenFile;
const MemoryFile& memoryFile(void* handle) { return *static_cast<MemoryFile*>(handle); }
void closeMemoryHandle(void* handle) { delete static_cast<MemoryFile*>(handle); }

template <typename Open>
Status openInMemory(Open open, const std::string& host, void*& handle) {
    auto file = std::make_unique<MemoryFile>();
    const Status rc = open(host, *file);
    if (rc == kSuccess) handle = file.release();
    return rc;
}

using testing::PlatformCall;

// A file call on a path: fails when a test has made it fail.
bool injected(PlatformCall call, const std::string& path, Status& error) {
    return fake::failing(call, path, [&path] { return path; }, error);
}

// Writes every byte, as WriteFile does in one call.
Status writeAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const auto written = ::write(descriptor, bytes.data(), bytes.size());
        if (written <= 0) return fromErrno(errno);
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return kSuccess;
}

}  // namespace

AppendFile::~AppendFile() { close(); }

AppendFile::AppendFile(AppendFile&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

AppendFile& AppendFile::operator=(AppendFile&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

Status AppendFile::open(const std::string& path) {
    close();
    Status error = kSuccess;
    if (injected(PlatformCall::OpenLog, path, error)) return error;
    const auto host = fake::hostPath(path);
    if (fake::isLocked(path)) return kSharingViolation;
    if (fake::memory::enabled()) return openInMemory(fake::memory::openForAppend, host, handle_);
    const int descriptor = ::open(host.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor < 0) return errno == ENOENT ? missingStatus(host) : fromErrno(errno);
    handle_ = asHandle(descriptor);
    return kSuccess;
}

Status AppendFile::write(std::string_view bytes) {
    if (handle_ == nullptr) return kErrorInvalidHandle;
    Status error = kSuccess;
    if (injected(PlatformCall::AppendLog, {}, error)) return error;
    if (fake::memory::enabled()) return fake::memory::append(memoryFile(handle_), bytes);
    return writeAll(fd(handle_), bytes);
}

Status AppendFile::close() {
    if (handle_ == nullptr) return kSuccess;
    if (fake::memory::enabled()) {
        closeMemoryHandle(std::exchange(handle_, nullptr));
        return kSuccess;
    }
    return ::close(fd(std::exchange(handle_, nullptr))) == 0 ? kSuccess : fromErrno(errno);
}

NewFile::~NewFile() {
    if (handle_ == nullptr) return;
    if (fake::memory::enabled()) {
        closeMemoryHandle(handle_);
    } else {
        ::close(fd(handle_));
    }
}

Status NewFile::create(const std::string& path) {
    if (handle_ != nullptr) return kErrorInvalidHandle;
    Status error = kSuccess;
    if (injected(PlatformCall::CreateFile, path, error)) return error;
    const auto host = fake::hostPath(path);
    if (fake::isLocked(path)) return kSharingViolation;
    path_ = path;
    if (fake::memory::enabled()) return openInMemory(fake::memory::create, host, handle_);
    const int descriptor = ::open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (descriptor < 0) return errno == ENOENT ? missingStatus(host) : fromErrno(errno);
    handle_ = asHandle(descriptor);
    return kSuccess;
}

Status NewFile::write(std::string_view bytes) {
    if (handle_ == nullptr) return kErrorInvalidHandle;
    Status error = kSuccess;
    if (injected(PlatformCall::WriteFile, path_, error)) return error;
    if (fake::memory::enabled()) return fake::memory::append(memoryFile(handle_), bytes);
    return writeAll(fd(handle_), bytes);
}

Status NewFile::finish() {
    if (handle_ == nullptr) return kErrorInvalidHandle;
    Status error = kSuccess;
    if (fake::memory::enabled()) {
        closeMemoryHandle(std::exchange(handle_, nullptr));
        return injected(PlatformCall::FlushFile, path_, error) ? error : kSuccess;
    }
    const int descriptor = fd(std::exchange(handle_, nullptr));
    if (injected(PlatformCall::FlushFile, path_, error)) {
        ::close(descriptor);
        return error;
    }
    Status rc = ::fsync(descriptor) == 0 ? kSuccess : fromErrno(errno);
    if (::close(descriptor) != 0 && rc == kSuccess) rc = fromErrno(errno);
    return rc;
}

Status FileReader::open(const std::string& path) {
    close();
    Status error = kSuccess;
    if (injected(PlatformCall::OpenFile, path, error)) return error;
    const auto host = fake::hostPath(path);
    if (fake::isLocked(path) && !fake::isReadableLock(path)) return kSharingViolation;
    if (fake::memory::enabled()) return openInMemory(fake::memory::openForReading, host, handle_);
    const int descriptor = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return errno == ENOENT ? missingStatus(host) : fromErrno(errno);
    handle_ = asHandle(descriptor);
    return kSuccess;
}

Status FileReader::read(char* buffer, std::size_t size, std::size_t& got) {
    got = 0;
    if (handle_ == nullptr) return kErrorInvalidHandle;
    Status error = kSuccess;
    if (injected(PlatformCall::ReadFile, {}, error)) return error;
    if (fake::memory::enabled()) return fake::memory::readAt(*static_cast<MemoryFile*>(handle_), buffer, size, got);
    const auto result = ::read(fd(handle_), buffer, size);
    if (result < 0) return fromErrno(errno);
    got = static_cast<std::size_t>(result);
    return kSuccess;
}

Status FileReader::rewind() {
    if (handle_ == nullptr) return kErrorInvalidHandle;
    if (fake::memory::enabled()) {
        static_cast<MemoryFile*>(handle_)->position = 0;
        return kSuccess;
    }
    return ::lseek(fd(handle_), 0, SEEK_SET) == 0 ? kSuccess : fromErrno(errno);
}

void FileReader::close() {
    if (handle_ == nullptr) return;
    if (fake::memory::enabled()) {
        closeMemoryHandle(std::exchange(handle_, nullptr));
    } else {
        ::close(fd(std::exchange(handle_, nullptr)));
    }
}


// GetFileAttributes that fails reads as "not there", as the Win32 backend has it.
bool fileExists(const std::string& path) {
    Status error = kSuccess;
    if (injected(PlatformCall::FileAttributes, path, error)) return false;
    const auto host = fake::hostPath(path);
    return fake::memory::enabled() ? fake::memory::isFile(host) : fs::is_regular_file(host);
}

bool folderExists(const std::string& path) {
    Status error = kSuccess;
    if (injected(PlatformCall::FileAttributes, path, error)) return false;
    const auto host = fake::hostPath(path);
    return fake::memory::enabled() ? fake::memory::isFolder(host) : fs::is_directory(host);
}

Status readWholeFile(const std::string& path, std::string& bytes, std::uint64_t maxBytes) {
    Status error = kSuccess;
    if (injected(PlatformCall::OpenFile, path, error)) return error;
    const auto host = fake::hostPath(path);
    if (fake::isLocked(path) && !fake::isReadableLock(path)) return kSharingViolation;
    if (fake::memory::enabled()) {
        std::string data;
        const Status rc = fake::memory::read(host, data, maxBytes);
        if (rc != kSuccess) return rc;
        if (injected(PlatformCall::ReadFile, path, error)) return error;
        bytes = std::move(data);
        return kSuccess;
    }
    const int descriptor = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return errno == ENOENT ? missingStatus(host) : fromErrno(errno);
    std::string data;
    // Sized once, as the Win32 backend does, so a large file is never held twice.
    struct stat info {};
    const bool statted = ::fstat(descriptor, &info) == 0;
    if (statted && S_ISDIR(info.st_mode)) {
        // Windows does not open a folder as a file.
        ::close(descriptor);
        return kErrorAccessDenied;
    }
    if (statted && info.st_size > 0) {
        if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
            ::close(descriptor);
            return kErrorFileTooLarge;
        }
        data.reserve(static_cast<std::size_t>(info.st_size));
    }
    char buffer[65536];
    Status rc = kSuccess;
    if (injected(PlatformCall::ReadFile, path, error)) {
        ::close(descriptor);
        return error;
    }
    for (;;) {
        const auto got = ::read(descriptor, buffer, sizeof buffer);
        if (got < 0) {
            rc = fromErrno(errno);
            break;
        }
        if (got == 0) break;
        data.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(descriptor);
    if (rc == kSuccess) bytes = std::move(data);
    return rc;
}

Status replaceFile(const std::string& source, const std::string& target) {
    Status error = kSuccess;
    if (injected(PlatformCall::ReplaceFile, target, error)) return error;
    // Windows refuses to replace a file another program holds without delete sharing.
    if (fake::isLocked(source) || fake::isLocked(target)) return kErrorAccessDenied;
    const auto from = fake::hostPath(source);
    if (fake::memory::enabled()) return fake::memory::rename(from, fake::hostPath(target));
    if (!fs::exists(from)) return missingStatus(from);
    if (isReadOnly(fake::hostPath(target))) return kErrorAccessDenied;
    if (::rename(from.c_str(), fake::hostPath(target).c_str()) != 0) return fromErrno(errno);
    return kSuccess;
}

Status deleteFile(const std::string& path) {
    Status error = kSuccess;
    if (injected(PlatformCall::DeleteFile, path, error)) return error;
    if (fake::isLocked(path)) return kSharingViolation;
    const auto host = fake::hostPath(path);
    if (fake::memory::enabled()) return fake::memory::remove(host);
    if (isReadOnly(host)) return kErrorAccessDenied;
    if (::unlink(host.c_str()) != 0) return errno == ENOENT ? missingStatus(host) : fromErrno(errno);
    return kSuccess;
}

std::string resolvedPathUtf8(const std::string& path) {
    Status error = kSuccess;
    if (injected(PlatformCall::FileAttributes, path, error)) return {};
    const auto host = fake::hostPath(path);
    const bool exists = fake::memory::enabled() ? fake::memory::isFile(host) || fake::memory::isFolder(host)
                                                : fs::exists(host);
    if (!exists) return {};
    std::string resolved = path;
    if (fake::memory::enabled()) {
        // Each name as it was created, whatever case it was asked in.
        resolved.clear();
        std::size_t start = 0;
        while (start <= path.size()) {
            const auto end = std::min(path.find('\\', start), path.size());
            const std::string part = path.substr(start, end - start);
            if (part.empty() && start != 0) {
                start = end + 1;
                continue;
            }
            if (!resolved.empty()) resolved += '\\';
            const std::string stored = start == 0 ? std::string() : fake::memory::storedName(fake::hostPath(path.substr(0, end)));
            resolved += stored.empty() ? part : stored;
            start = end + 1;
        }
        if (resolved.size() == 2 && resolved[1] == ':') resolved += '\\';  // a drive's root keeps its separator
    }
    while (resolved.size() > 3 && (resolved.back() == '\\' || resolved.back() == '/')) resolved.pop_back();
    return ansiToUtf8(resolved);
}

Status createFolder(const std::string& path) {
    Status error = kSuccess;
    if (injected(PlatformCall::CreateFolder, path, error)) return error;
    const auto host = fake::hostPath(path);
    if (fake::memory::enabled()) return fake::memory::makeFolder(host);
    if (::mkdir(host.c_str(), 0755) == 0) return kSuccess;
    if (errno == EEXIST) return fs::is_directory(host) ? kSuccess : kAlreadyExists;
    return errno == ENOENT ? kPathNotFound : fromErrno(errno);
}

Status findFiles(const std::string& pattern, std::vector<std::string>& names) {
    names.clear();
    if (Status failure = kSuccess; injected(PlatformCall::FindFiles, pattern, failure)) return failure;
    const auto cut = pattern.find_last_of('\\');
    const std::string folder = cut == std::string::npos ? std::string() : pattern.substr(0, cut);
    const std::string mask = pattern.substr(cut == std::string::npos ? 0 : cut + 1);
    const auto host = fake::hostPath(folder);
    if (fake::memory::enabled()) return fake::memory::list(host, mask, names);
    if (!fs::is_directory(host)) return kPathNotFound;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(host, error)) {
        const auto name = entry.path().filename().string();
        if (::fnmatch(mask.c_str(), name.c_str(), FNM_CASEFOLD) == 0) names.push_back(name);
    }
    if (error) return fromErrno(error.value());
    return names.empty() ? kErrorFileNotFound : kErrorNoMoreFiles;
}

}  // namespace tw::platform
