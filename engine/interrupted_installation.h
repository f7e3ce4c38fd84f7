#pragma once
// Undoing an installation that was cut off (killed, crashed, the power
// lost) from the run record it left (engine/run_record_file.h): newest
// entry first, with the rules of the journal's rollback — set-aside copies
// put back, created files, shortcuts, folders and the uninstall key
// removed, the product path value given back what it held — and the
// product's own registration undone by its program. The record is read
// like an uninstall log: a path is touched only where the product's
// installation can have put it (engine/removal_places.h), a set-aside copy
// only under a "qw" name in a temporary folder. A record of a process that
// still runs is left alone; a record whose run had already written its
// uninstall log is finished instead (its copies discarded).

#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "engine/install_journal.h"
#include "engine/install_request.h"
#include "engine/removal_places.h"

namespace qw {

struct InstallationRecovery {
  std::wstring recordFolder;
  UninstallKeyLocation uninstallKey;
  ProductPathLocation productPath;
  std::wstring productKey;
  // What the product is, for the places; the installation and Start-menu
  // folders are taken from the record.
  ProductPlaceFacts facts;
  // Undoes the product's registration by running `program` (a File entry of
  // payload kind 1 that passed the checks and exists); an error when it
  // did not report success. Not called when null.
  std::function<std::error_code(const std::wstring& program)> unregister;
};

enum class RecoveryOutcome {
  NoRecord,         // nothing was interrupted
  WriterRuns,       // the run that writes the record still goes on: left alone
  Finished,         // the run had finished; only its leftovers were cleared
  Undone,           // everything the record lists was undone
  PartlyUndone,     // some of it was not (see `left`)
};

struct RecoveryResult {
  RecoveryOutcome outcome = RecoveryOutcome::NoRecord;
  // What stayed, one line each: a path (or key) and why.
  std::vector<std::wstring> left;
};

RecoveryResult RecoverInterruptedInstallation(const InstallationRecovery& recovery);

}  // namespace qw
