#pragma once
// The removal sequence of the uninstaller: undoes, newest entry first, what
// an installation's uninstall log lists, and nothing else. Each entry's
// path is checked against the places an installation writes to before
// anything is touched (engine/removal_places.h); a refused entry is only
// reported. It shows nothing itself: it reports its progress to the caller
// and returns what it left, and why.

#include <windows.h>

#include <cstddef>
#include <functional>
#include <list>
#include <string>
#include <system_error>
#include <vector>

#include "engine/file_removal.h"
#include "engine/install_journal.h"
#include "engine/journal_entry.h"
#include "engine/removal_places.h"

namespace qw {

// Told before each entry is undone.
class RemovalProgress {
 public:
  virtual ~RemovalProgress() = default;
  // `what` is the path being removed (empty for registry work); `step`
  // counts from 0 to `steps` - 1.
  virtual void Removing(const std::wstring& what, std::size_t step, std::size_t steps) = 0;
};

// Where the product path value lives: value `valueName` of `root`\`makerKey`.
struct ProductPathValueLocation {
  HKEY root = HKEY_LOCAL_MACHINE;
  std::wstring makerKey;
  std::wstring valueName;
};

struct RemovalRequest {
  // The uninstall log's entries, in the log's order (oldest first).
  std::list<JournalEntry> entries;
  RemovalPlaces places;
  // Remove files of payload kind 3 (libraries and user data) too.
  bool removeUserData = false;
  // The log does not describe a finished installation (cut off, or not
  // ending with the uninstall entry): what it lists is removed, but the log
  // itself and the registry entries stay, so that a later run can finish.
  bool partialLog = false;
  UninstallKeyLocation uninstallKey;
  ProductPathValueLocation productPath;
  // The running uninstaller: the uninstall key goes only while its
  // "UninstallString" names this program.
  std::wstring uninstallerPath;
  // The uninstall log itself; deleted before the folder that holds it.
  std::wstring logPath;
  // Files left alone for a later step (the running uninstaller): reported
  // as deferred, with the folders that only they keep.
  std::vector<std::wstring> deferredFiles;
  // Undoes the product's self-registration by running `program`: an empty
  // code when it reported success, removal_errc::not_the_program when the
  // program was not started because it is not the product's. Not called
  // when null or the program is gone.
  std::function<std::error_code(const std::wstring& program)> unregister;
  // Attempts and pause for a file in use before it is left to the restart.
  unsigned attempts = 5;
  RetryPause pause = [](unsigned milliseconds) { ::Sleep(milliseconds); };
  RemovalProgress* progress = nullptr;
};

struct RemovalReport {
  struct Item {
    std::wstring path;
    std::error_code why;
  };
  std::vector<Item> refused;            // entries the installation cannot have made
  std::vector<std::wstring> keptUserData;   // payload-kind-3 files kept as asked
  std::vector<std::wstring> userDataFolders;  // kept only for those files
  std::vector<std::wstring> keptFolders;    // not empty (the user's files are in them)
  std::vector<std::wstring> atRestart;      // in use: removed at the next restart
  std::vector<Item> failed;             // could not be removed, for the reason given
  std::vector<std::wstring> deferredFiles;    // left for the later step, as asked
  std::vector<std::wstring> deferredFolders;  // kept only by those, deepest first
  bool directXKept = false;             // the shared DirectX runtime stays
  bool unregisterFailed = false;        // the program's own unregistration failed
  bool logDeleted = false;

  // Nothing was left behind but what the user chose to keep, DirectX and
  // the deferred files and folders.
  bool Complete() const {
    return refused.empty() && keptFolders.empty() && atRestart.empty() && failed.empty() &&
           !unregisterFailed;
  }
};

// Undoes the entries of `request` newest first: self-registration (when
// done and the program is there), shortcuts, files (kind 3 only when asked),
// folders when empty; then, unless the log is partial, the log, the
// uninstall key (while it names this uninstaller), the product path value
// (while it names the log's main program) and the maker's key when that is
// then empty. DirectX is never undone. Every failure is recorded in the
// report and the sequence goes on.
RemovalReport RemoveInstallation(const RemovalRequest& request);

}  // namespace qw
