#pragma once
// The shortcut step of the install sequence: the program and uninstall
// shortcuts in the chosen Start-menu folder and the program's shortcut on
// the desktop, each journaled before it is made.

#include <optional>
#include <string>
#include <system_error>

#include "engine/install_journal.h"
#include "engine/install_page_services.h"

namespace qw {

struct ShortcutChoices {
  bool startMenu = false;
  bool desktop = false;
  std::wstring startMenuFolder;
  std::wstring programPath;
  std::wstring uninstallerPath;
  std::wstring programName;    // the program shortcut's name: the display name
  std::wstring uninstallName;  // the uninstall shortcut's name
};

// The all-users desktop, or the user's when the shell does not give that;
// nothing when it gives neither.
std::optional<std::wstring> DesktopFolder();

// Writes nothing at all when neither shortcut is chosen. Otherwise the
// step line "Shortcuts Creation...", each chosen shortcut recorded in
// `journal` and completed with its outcome (a failed one as not done,
// without path; the others are still attempted), and "OK" or "Failed".
// `desktopFolder` finds the desktop; without a desktop the desktop
// shortcut counts as failed and nothing is recorded for it. Returns empty
// when every chosen shortcut was made, otherwise the first failure:
// ERROR_CANNOT_MAKE for a shortcut not made, ERROR_PATH_NOT_FOUND for no
// desktop. Nothing is rolled back here.
[[nodiscard]] std::error_code CreateShortcuts(const ShortcutChoices& choices, InstallJournal& journal,
                                              InstallPageServices& page,
                                              std::optional<std::wstring> (*desktopFolder)() = DesktopFolder);

}  // namespace qw
