/* The yardstick of scripts/bench-thunderbird: copies one file with CopyFile
 * and does nothing else.
 *   copy_file.exe SOURCE TARGET
 * It is the plainest program that reads and writes a file of that size, so it
 * calls the API directly and carries no C++ run-time; it is not part of the
 * product, which reaches Windows only through platform/. */
#include <windows.h>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    return CopyFileA(argv[1], argv[2], FALSE) ? 0 : 1;
}
