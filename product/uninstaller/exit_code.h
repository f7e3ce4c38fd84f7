#pragma once
// What "Uninstall.exe" returns, the codes of the system's own installer
// (msiexec) where one fits, so that administrators' scripts read them the
// same way. The README lists them.

#include <windows.h>

namespace qw::uninstaller {

enum ExitCode : int {
  kRemoved = ERROR_SUCCESS,                          // 0: everything removed
  kRemovedRestartNeeded = ERROR_SUCCESS_REBOOT_REQUIRED,  // 3010: files in use go at the next restart
  kPartlyRemoved = ERROR_INSTALL_FAILURE,            // 1603: something was left (refused, failed, damaged log)
  kCancelled = ERROR_INSTALL_USEREXIT,               // 1602: the user said no
  kInstallerRunning = ERROR_INSTALL_ALREADY_RUNNING, // 1618: an installer holds the application lock
  kProductRunning = ERROR_BUSY,                      // 170: the product runs (quiet mode cannot ask)
  kNoLog = ERROR_UNKNOWN_PRODUCT,                    // 1605: no readable uninstall log, nothing removed
  kLogOfOtherVersion = ERROR_INSTALL_PACKAGE_VERSION,  // 1613: log of another format version, nothing removed
  kNotAdministrator = 740,                           // ERROR_ELEVATION_REQUIRED
  kInitializationFailed = -11,                       // the process could not initialise
};

}  // namespace qw::uninstaller
