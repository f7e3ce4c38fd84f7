// A program that does nothing and ends at once: the main program and the
// uninstaller of the tests' small payload, so that shortcuts and entries
// point at real executables.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
