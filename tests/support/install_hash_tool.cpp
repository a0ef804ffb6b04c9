// Prints the hash by which Thunderbird names an installation, for
// scripts/check-thunderbird, which compares it with the one real Thunderbird
// writes:
//   install_hash.exe FOLDER            the hash of the folder's path as given
//   install_hash.exe --program VALUE   of the folder of an App Paths value, as
//                                      the writer finds it
#include <cstdio>
#include <string>
#include <string_view>

#include "clients/thunderbird/install_hash.h"
#include "platform/text.h"

int main(int argc, char** argv) {
    std::string hash;
    if (argc == 3 && std::string_view(argv[1]) == "--program") {
        hash = tw::thunderbird::installFolderHash(argv[2]);
    } else if (argc == 2) {
        hash = tw::thunderbird::installHash(tw::platform::ansiToUtf8(argv[1]));
    } else {
        return 2;
    }
    std::printf("%s\n", hash.c_str());
    return hash.empty() ? 1 : 0;
}
