// Where the win32 backend loads MAPI32.DLL from: the system folder, where
// Windows and Outlook install it. Loading by bare name would search the
// program's own folder first, so a MAPI32.DLL planted beside tidewell.exe (in a
// downloads folder, say) would run inside it. Only the tests change the path,
// to load their stand-in.
#pragma once

#include <string>

namespace tw::platform::mapi {

std::string libraryPath();
// An empty path restores the system folder's library.
void setLibraryPathForTesting(std::string path);

}  // namespace tw::platform::mapi
