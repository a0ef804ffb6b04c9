// File operations shared by both backends, built on the backend's own.
#include "platform/files.h"

namespace tw::platform {

Status writeNewFile(const std::string& path, std::string_view bytes) {
    NewFile file;
    Status rc = file.create(path);
    if (rc == kSuccess) rc = file.write(bytes);
    if (rc == kSuccess) rc = file.finish();
    return rc;
}

}  // namespace tw::platform
