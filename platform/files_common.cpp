// File operations shared by both backends, built on the backend's own.
#include "platform/files.h"

#include <limits>

namespace tw::platform {

Status readWholeFile(const std::string& path, std::string& bytes) {
    return readWholeFile(path, bytes, std::numeric_limits<std::uint64_t>::max());
}

std::vector<std::string> findFiles(const std::string& pattern) {
    std::vector<std::string> names;
    findFiles(pattern, names);
    return names;
}

Status writeNewFile(const std::string& path, std::string_view bytes) {
    NewFile file;
    Status rc = file.create(path);
    if (rc == kSuccess) rc = file.write(bytes);
    if (rc == kSuccess) rc = file.finish();
    return rc;
}

}  // namespace tw::platform
