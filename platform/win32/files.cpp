#include "platform/files.h"

#include <windows.h>

#include <algorithm>
#include <utility>

namespace tw::platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr std::size_t kChunk = 1u << 30;  // ReadFile and WriteFile take 32-bit counts

Status lastError() { return static_cast<Status>(GetLastError()); }

// Owner of an open file handle.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (valid()) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    // Closes now, for callers that must know whether the close succeeded.
    bool close() { return CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != 0; }

private:
    HANDLE handle_;
};

// Owner of a FindFirstFile search.
class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : handle_(handle) {}
    ~FindHandle() {
        if (valid()) FindClose(handle_);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

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
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, kShareAll, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return lastError();
    handle_ = file;
    return ERROR_SUCCESS;
}

Status AppendFile::write(std::string_view bytes) {
    if (handle_ == nullptr) return ERROR_INVALID_HANDLE;
    DWORD written = 0;
    if (!WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return lastError();
    return written == bytes.size() ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

Status AppendFile::close() {
    if (handle_ == nullptr) return ERROR_SUCCESS;
    return CloseHandle(std::exchange(handle_, nullptr)) ? ERROR_SUCCESS : lastError();
}

NewFile::~NewFile() {
    if (handle_ != nullptr) CloseHandle(handle_);
}

Status NewFile::create(const std::string& path) {
    if (handle_ != nullptr) return ERROR_INVALID_HANDLE;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return lastError();
    handle_ = file;
    return ERROR_SUCCESS;
}

Status NewFile::write(std::string_view bytes) {
    if (handle_ == nullptr) return ERROR_INVALID_HANDLE;
    while (!bytes.empty()) {
        DWORD chunk = 0;
        const auto want = static_cast<DWORD>(std::min(bytes.size(), kChunk));
        if (!WriteFile(handle_, bytes.data(), want, &chunk, nullptr)) return lastError();
        if (chunk == 0) return ERROR_WRITE_FAULT;
        bytes.remove_prefix(chunk);
    }
    return ERROR_SUCCESS;
}

Status NewFile::finish() {
    if (handle_ == nullptr) return ERROR_INVALID_HANDLE;
    HANDLE file = std::exchange(handle_, nullptr);
    Status rc = FlushFileBuffers(file) ? ERROR_SUCCESS : lastError();
    if (!CloseHandle(file) && rc == ERROR_SUCCESS) rc = lastError();
    return rc;
}

Status FileReader::open(const std::string& path) {
    close();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return lastError();
    handle_ = file;
    return ERROR_SUCCESS;
}

Status FileReader::read(char* buffer, std::size_t size, std::size_t& got) {
    got = 0;
    if (handle_ == nullptr) return ERROR_INVALID_HANDLE;
    DWORD chunk = 0;
    if (!ReadFile(handle_, buffer, static_cast<DWORD>(std::min(size, kChunk)), &chunk, nullptr)) return lastError();
    got = chunk;
    return ERROR_SUCCESS;
}

Status FileReader::rewind() {
    if (handle_ == nullptr) return ERROR_INVALID_HANDLE;
    LARGE_INTEGER start{};
    return SetFilePointerEx(handle_, start, nullptr, FILE_BEGIN) ? ERROR_SUCCESS : lastError();
}

void FileReader::close() {
    if (handle_ != nullptr) CloseHandle(std::exchange(handle_, nullptr));
}

bool fileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool folderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

Status readWholeFile(const std::string& path, std::string& bytes, std::uint64_t maxBytes) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return lastError();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return lastError();
    if (static_cast<std::uint64_t>(size.QuadPart) > maxBytes) return ERROR_FILE_TOO_LARGE;
    std::string data(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < data.size()) {
        DWORD chunk = 0;
        const auto want = static_cast<DWORD>(std::min(data.size() - done, kChunk));
        if (!ReadFile(file.get(), data.data() + done, want, &chunk, nullptr)) return lastError();
        if (chunk == 0) break;  // the file shrank meanwhile
        done += chunk;
    }
    data.resize(done);
    bytes = std::move(data);
    return ERROR_SUCCESS;
}

Status replaceFile(const std::string& source, const std::string& target) {
    // Windows refuses to replace a read-only file; Wine replaces it all the
    // same, so the attribute is checked here too and both answer alike.
    const DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return ERROR_ACCESS_DENIED;
    }
    if (!MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return lastError();
    }
    return ERROR_SUCCESS;
}

Status deleteFile(const std::string& path) { return DeleteFileA(path.c_str()) ? ERROR_SUCCESS : lastError(); }

std::string resolvedPathUtf8(const std::string& path) {
    // Vista and later; looked up so that the program still starts on XP.
    using GetFinalPathNameByHandle = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
    const auto getFinalPath = reinterpret_cast<GetFinalPathNameByHandle>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleW")));
    if (getFinalPath == nullptr || path.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (length <= 0) return {};
    std::wstring widePath(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath.data(), length);
    // Backup semantics let a folder be opened; no access beyond its attributes is needed.
    FileHandle file(CreateFileW(widePath.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.valid()) return {};
    constexpr DWORD kNormalizedDosName = 0;  // FILE_NAME_NORMALIZED | VOLUME_NAME_DOS
    const DWORD needed = getFinalPath(file.get(), nullptr, 0, kNormalizedDosName);
    if (needed == 0) return {};
    std::wstring resolved(needed, L'\0');
    const DWORD written = getFinalPath(file.get(), resolved.data(), needed, kNormalizedDosName);
    if (written == 0 || written >= needed) return {};
    resolved.resize(written);
    // The answer has the long-path prefix: \\?\C:\... or \\?\UNC\server\share\...
    if (resolved.starts_with(L"\\\\?\\UNC\\")) {
        resolved.replace(0, 8, L"\\\\");
    } else if (resolved.starts_with(L"\\\\?\\")) {
        resolved.erase(0, 4);
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, resolved.data(), static_cast<int>(resolved.size()), nullptr, 0,
                                         nullptr, nullptr);
    if (size <= 0) return {};
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, resolved.data(), static_cast<int>(resolved.size()), utf8.data(), size, nullptr,
                        nullptr);
    return utf8;
}

Status createFolder(const std::string& path) {
    if (CreateDirectoryA(path.c_str(), nullptr)) return ERROR_SUCCESS;
    const Status rc = lastError();
    return rc == ERROR_ALREADY_EXISTS && folderExists(path) ? ERROR_SUCCESS : rc;
}

Status findFiles(const std::string& pattern, std::vector<std::string>& names) {
    names.clear();
    WIN32_FIND_DATAA data{};
    FindHandle find(FindFirstFileA(pattern.c_str(), &data));
    if (!find.valid()) return lastError();
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find.get(), &data));
    return lastError();
}

}  // namespace tw::platform
