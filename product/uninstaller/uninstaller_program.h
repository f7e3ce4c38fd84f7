#pragma once
// "Uninstall.exe": removes the installation that left "Uninstall.ulog"
// beside it, exactly as that log records it. The program reads as the list
// of what it does; the removal itself is the engine's (RemoveInstallation).

#include <windows.h>

namespace qw::uninstaller {

// Runs the uninstaller with its whole command line; returns the exit code
// (product/uninstaller/exit_code.h).
int RunUninstaller(const wchar_t* commandLine);

}  // namespace qw::uninstaller
