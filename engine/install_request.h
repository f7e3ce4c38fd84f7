#pragma once
// Everything one run of the install sequence reads and writes besides the
// page it reports to: what start-up found, what the user chose, the journal
// that records every change, the application lock released around the
// self-registration run, and where in the registry the product is entered.
// The application builds it from its installer context; tests build their
// own, with registry places and an archive of their choice.

#include <windows.h>

#include <string>
#include <system_error>
#include <vector>

#include "engine/install_journal.h"
#include "engine/installed_state.h"
#include "engine/product_names.h"
#include "engine/product_registry.h"
#include "payload/payload_archive.h"
#include "platform/application_lock.h"

namespace qw {

// Where the product path value lives: value `key` + " Path" of
// `root`\`subkey`.
struct ProductPathLocation {
  HKEY root = HKEY_LOCAL_MACHINE;
  std::wstring subkey = MakerKeyPath();
};

struct InstallRequest {
  InstallRequest(InstallJournal& journalOfRun, ApplicationLock& lockOfRun, std::wstring& tempFolderOfRun)
      : journal(journalOfRun), appLock(lockOfRun), tempFolder(tempFolderOfRun) {}

  InstalledState installedState = InstalledState::NotInstalled;
  std::wstring installFolder;
  std::wstring startMenuFolder;
  bool startMenuShortcut = true;
  bool desktopShortcut = true;
  ProductNames product;

  // The compressed payload; empty bytes make the archive test fail.
  ArchiveBytes archive;
  // The uninstall key; must be the place the journal rolls back (for the
  // installer: UninstallKeyLocation::ForProduct of the product key).
  UninstallKeyLocation uninstallKey;
  ProductPathLocation productPath;
  // The folder of the run record (engine/run_record_file.h); empty: the
  // run keeps none (tests of single steps).
  std::wstring runRecordFolder;

  InstallJournal& journal;
  ApplicationLock& appLock;
  // Receives the run's new temporary folder.
  std::wstring& tempFolder;
};

// What a run leaves for its caller.
struct InstallOutcome {
  // Why the run failed, as its status line shows it (engine/error_code_text.h);
  // empty when it succeeded.
  std::error_code error;
  // The errors of the steps that failed without failing the run, each
  // logged as "Failed", in the order they ran: shortcuts, DirectX, the
  // uninstall entry, the self-registration, the uninstall log.
  std::vector<std::error_code> stepErrors;
  std::wstring programPath;      // the installed main program, or empty
  std::wstring uninstallerPath;  // the installed uninstaller, or empty

  bool succeeded() const { return !error; }
};

}  // namespace qw
