// Uninstall.exe's entry.

#include <windows.h>

#include "product/uninstaller/uninstall_notice.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return qw::uninstaller::ShowUninstallNotice(); }
