// The fake backend's files kept in memory instead of on the host, for runs
// that make many thousands of small files a second (the fuzz targets). It
// answers as the host-backed fake does, with the Windows codes, and is closer
// still to Windows in one way: names compare without regard to case.
//
// Paths are the fake's host paths (fake::hostPath); the files functions of
// the fake call these when memory mode is on (testing::keepFilesInMemory).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace tw::platform::fake::memory {

bool enabled();
void enable();

bool isFile(const std::string& host);
bool isFolder(const std::string& host);

// An open file: where its bytes go.
struct OpenFile {
    std::string key;
    std::size_t position = 0;  // where the next read starts
};

// Creates or empties a file; opens one for appending, creating it when missing.
Status create(const std::string& host, OpenFile& file);
Status openForAppend(const std::string& host, OpenFile& file);
Status append(const OpenFile& file, std::string_view bytes);
// Opens an existing file for reading, and reads on from where the last read ended.
Status openForReading(const std::string& host, OpenFile& file);
Status readAt(OpenFile& file, char* buffer, std::size_t size, std::size_t& got);
Status read(const std::string& host, std::string& bytes, std::uint64_t maxBytes);
Status rename(const std::string& from, const std::string& to);
Status remove(const std::string& host);
Status makeFolder(const std::string& host);
Status list(const std::string& folder, const std::string& mask, std::vector<std::string>& names);

// For the testing helpers: folders with their parents, a folder with all in it,
// and the read-only attribute.
void makeFolders(const std::string& host);
void removeTree(const std::string& host);
bool isReadOnly(const std::string& host);
// The last name of a file or folder as it was created; empty when there is none.
std::string storedName(const std::string& host);
void setReadOnly(const std::string& host, bool readOnly);

}  // namespace tw::platform::fake::memory
