// The Windows entry point of the GUI-subsystem program.
#include <windows.h>

#include "platform/entry.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return tw::programMain(); }
