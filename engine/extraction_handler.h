#pragma once
// The install sequence's answers to the payload reader: the archive test
// before anything is written, each payload kind's rules (the main program
// and the uninstaller remembered, user data never overwritten, samples not
// rewritten on an update, setup files added to the run's temporary
// cleanup),
// every written file journaled before it is written and completed once its
// CRC-32 matched, a log line per file, the progress bar, and the failure
// line and status. After each answer the page's waiting messages are
// processed.

#include <string>
#include <system_error>

#include "engine/install_journal.h"
#include "engine/install_page_services.h"
#include "engine/installed_state.h"
#include "engine/temporary_cleanup.h"
#include "payload/notification.h"
#include "payload/payload_archive.h"

namespace qw {

class ExtractionHandler {
 public:
  // `cleanup` receives the setup files (payload kind 5) it writes.
  ExtractionHandler(PayloadArchive& archive, InstalledState installedState, InstallJournal& journal,
                    TemporaryCleanup& cleanup, InstallPageServices& page);

  notification::result operator()(notification& n);

  // The destinations of the main program and the uninstaller; empty until
  // their files begin.
  const std::wstring& programPath() const { return programPath_; }
  const std::wstring& uninstallerPath() const { return uninstallerPath_; }
  // Why the extraction failed, as its failure notification said; empty
  // until then.
  const std::error_code& error() const { return error_; }

  // The percentage the progress bar shows: rounded, and 99 rather than 100
  // while bytes remain.
  static int Percent(std::uint64_t done, std::uint64_t total);

 private:
  // Tests the archive; a failed test stops the extraction with the
  // "compress" error archive_test_failed as its reason.
  notification::result Started(notification& n);
  notification::result FileBegin(const PayloadEntry& entry);
  notification::result FileEnd(const PayloadEntry& entry);
  notification::result Failure(const notification::failure& failure);
  notification::result Write(const std::wstring& path, std::uint32_t kind);

  PayloadArchive& archive_;
  InstalledState installedState_;
  InstallJournal& journal_;
  TemporaryCleanup& cleanup_;
  InstallPageServices& page_;
  std::wstring programPath_;
  std::wstring uninstallerPath_;
  // The file being written: completed when it ends or the extraction fails.
  PendingJournalEntry writing_;
  std::error_code error_;
  int shownPercent_ = 0;  // what the progress bar shows: the sequence sets 0 before extracting
};

}  // namespace qw
