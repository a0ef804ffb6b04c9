// Stands in for a mail client that the dialog starts: it notes that it ran by
// appending its own path, as one line, to "<its path>.ran", and ends.
#include <string>

#include "platform/files.h"
#include "platform/testing.h"

int main() {
    const std::string self = tw::platform::testing::currentProgramPath();
    tw::platform::AppendFile record;
    if (record.open(self + ".ran") != tw::platform::kSuccess) return 1;
    return record.write(self + "\r\n") == tw::platform::kSuccess ? 0 : 1;
}
