// Files and folders by Windows path ("C:\dir\file"). The fake backend maps such a
// path onto a folder of the host (see fake_root.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace tw::platform {

inline constexpr Status kErrorNoMoreFiles = 18;
inline constexpr Status kErrorFileTooLarge = 223;

// An append-only file shared with other processes for reading, writing and deletion.
// Each write goes to the end of the file as one piece.
class AppendFile {
public:
    AppendFile() = default;
    ~AppendFile();
    AppendFile(AppendFile&& other) noexcept;
    AppendFile& operator=(AppendFile&& other) noexcept;
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    Status open(const std::string& path);  // creates the file when missing
    Status write(std::string_view bytes);
    Status close();
    bool isOpen() const { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;
};

// A new file written in pieces, for content too large to build whole first.
// create replaces any file of that name and holds the file without sharing;
// finish flushes it to disk and closes it. A file dropped before finish is
// closed as it stands, and the caller removes it.
class NewFile {
public:
    NewFile() = default;
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    Status create(const std::string& path);
    Status write(std::string_view bytes);  // every byte, or the failure
    Status finish();

private:
    void* handle_ = nullptr;
    std::string path_;  // the fake backend names the file in the calls it counts
};

// A file read from its start in pieces, shared with other programs for
// reading, writing and deletion as readWholeFile is. Only the caller's buffer
// holds its bytes, so a large file costs no more memory than a small one.
class FileReader {
public:
    FileReader() = default;
    ~FileReader() { close(); }
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // kErrorFileNotFound when it is missing; a sharing violation (32) when
    // another process holds it without sharing.
    Status open(const std::string& path);
    // Up to size bytes into buffer; got is 0 at the end of the file.
    Status read(char* buffer, std::size_t size, std::size_t& got);
    // Back to the start.
    Status rewind();
    void close();

private:
    void* handle_ = nullptr;
};

bool fileExists(const std::string& path);
bool folderExists(const std::string& path);

// Reads the whole file. kErrorFileNotFound when it is missing; a sharing
// violation (32) when another process holds it without sharing.
Status readWholeFile(const std::string& path, std::string& bytes);
// The same for a file expected to be small: a file larger than maxBytes is not
// read and gives kErrorFileTooLarge, so a stray huge file costs no memory.
Status readWholeFile(const std::string& path, std::string& bytes, std::uint64_t maxBytes);

// Writes a new file (replacing any file of that name), checking every byte and
// flushing before it is closed.
Status writeNewFile(const std::string& path, std::string_view bytes);

// Replaces target with source in one step; the target is never opened for
// writing. A read-only target is refused with kErrorAccessDenied.
Status replaceFile(const std::string& source, const std::string& target);

// A read-only file is refused with kErrorAccessDenied.
Status deleteFile(const std::string& path);

// The path of an existing file or folder as the file system names it, in
// UTF-8: links and junctions followed, each name in the letter case it is
// stored with. Empty when it cannot be resolved: a missing path, or Windows
// before Vista, which has no call for it. The fake backend gives the path as
// it stands.
std::string resolvedPathUtf8(const std::string& path);

// Creates one folder level. kSuccess also when it exists already.
Status createFolder(const std::string& path);

// Names (not paths) of the entries matching a pattern such as "C:\dir\*.ini".
std::vector<std::string> findFiles(const std::string& pattern);
// The same search, in the order the system returns the entries, with the
// error that ended it: kErrorNoMoreFiles after the last entry; the first
// call's error when it found nothing (kErrorFileNotFound when no entry
// matches, kErrorPathNotFound when the folder is missing); or the error of a
// later call that failed on the way, the entries found until then kept.
Status findFiles(const std::string& pattern, std::vector<std::string>& names);

}  // namespace tw::platform
