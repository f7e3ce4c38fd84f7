// Uninstall.exe's entry.

#include <windows.h>

#include "product/uninstaller/uninstaller_program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return qw::uninstaller::RunUninstaller(::GetCommandLineW()); }
