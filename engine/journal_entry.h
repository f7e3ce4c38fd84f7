#pragma once
// One recorded change of an installation, and what the previous
// installation's uninstall log said. Plain data shared by the install
// journal, the uninstall log writer and its reader; no behaviour here.
// What each kind means to them is in engine/journal_entry_rules.h.

#include <cstdint>
#include <list>
#include <string>

namespace qw {

// Stored with these numbers in the uninstall log; 8 and above are invalid.
enum class JournalEntryKind : std::int32_t {
  Folder = 0,
  File = 1,
  ProgramShortcut = 2,
  UninstallShortcut = 3,
  DesktopShortcut = 4,
  UninstallKey = 5,
  SelfRegistration = 6,
  DirectXSetup = 7,
};
constexpr std::int32_t kJournalEntryKindCount = 8;

struct JournalEntry {
  JournalEntryKind kind = JournalEntryKind::Folder;
  // Folder, file or shortcut path; the status text for DirectXSetup; empty
  // for UninstallKey, SelfRegistration and a shortcut that failed.
  std::wstring path;
  // The set-aside copy (temporary file or saved registry hive), or empty.
  std::wstring backup;
  bool done = false;
  // The payload kind (0 to 4) of a File entry, -1 for every other entry.
  std::int32_t value = -1;

  // Not written to the log; they let a rollback put things back where they
  // were rather than where the new installation put its own.
  //
  // Where the backup came from. For a file it is `path`; for a shortcut it
  // is the previous installation's shortcut of the same kind, whose name
  // may differ from the new one (it carries the product version) and which
  // must go back even when the new shortcut failed and has no path.
  std::wstring backupOrigin;
  // Something existed at the place before the change (a file or an
  // uninstall key). When it could not be set aside, rollback leaves the
  // place alone instead of deleting what the user had.
  bool existedBefore = false;
};

// What the previous installation's uninstall log said.
struct PreviousInstallation {
  std::wstring installFolder;    // set only when the folder still exists
  std::wstring startMenuFolder;  // same rule
  std::wstring productText;      // e.g. "Meridel 6.05"; empty without log
  std::list<JournalEntry> entries;
};

}  // namespace qw
