// Commit: merging with the previous installation, writing the uninstall
// log and discarding what was set aside.
#include "engine/install_journal.h"

#include "engine/file_removal.h"
#include "engine/journal_entry_rules.h"
#include "engine/same_path.h"
#include "engine/uninstall_log.h"
#include "platform/path_elements.h"
#include "platform/system_error.h"

namespace qw {

std::error_code InstallJournal::Commit(const std::wstring& logPath, const std::wstring& installFolder,
                                       const std::wstring& startMenuFolder) {
  const std::wstring logBackup = NoteLogAboutToBeWritten(logPath);
  Merge();
  const LoggedProduct product{productDisplayName_, keyLocation_.name};
  const bool written = UninstallLog::Write(logPath, product, entries_, installFolder,
                                           startMenuFolder, previous_.productText);
  // From here on a run cut off is finished, not undone.
  Note(run_record::CommittedLine());
  DiscardBackups();
  if (!logBackup.empty()) DeleteFileClearingAttributes(logBackup);
  // Last: a run cut off before this point is undone by the next start.
  FinishRunRecord();
  return written ? std::error_code() : SystemError(ERROR_WRITE_FAULT);
}

// Previous entries that the new installation did not replace go to the
// front, in their old order; a folder or file appears once, every other
// kind at most once.
void InstallJournal::Merge() {
  while (!previous_.entries.empty()) {
    JournalEntry entry = std::move(previous_.entries.back());
    previous_.entries.pop_back();
    bool replaced = false;
    if (!RulesOf(entry.kind).onePerPath) {
      for (const JournalEntry& current : entries_) replaced = replaced || current.kind == entry.kind;
    } else {
      // Equal names first, everywhere: only an entry without such a twin
      // costs the file-system comparison of SamePath.
      for (const JournalEntry& current : entries_) {
        if (current.kind == entry.kind && SamePathElements(current.path, entry.path)) {
          replaced = true;
          break;
        }
      }
      for (auto it = entries_.begin(); !replaced && it != entries_.end(); ++it) {
        replaced = it->kind == entry.kind && SamePath(it->path, entry.path);
      }
    }
    if (!replaced) entries_.push_front(std::move(entry));
  }
}

// For the record only: the log is a change of the run like the files, and
// a previous installation's log must come back when the run is undone.
std::wstring InstallJournal::NoteLogAboutToBeWritten(const std::wstring& logPath) {
  if (!record_) return {};
  const DWORD attributes = ::GetFileAttributesW(logPath.c_str());
  JournalEntry log;
  log.kind = JournalEntryKind::File;
  log.path = logPath;
  log.value = 0;
  log.existedBefore = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  const std::size_t index = NoteEntry(log);
  if (!log.existedBefore) return {};
  std::error_code error;
  const std::wstring backup = MakeBackup(std::nullopt, false, error);
  if (backup.empty()) return {};
  Note(run_record::BackupLine(index, backup, logPath));
  if (!SetAside(logPath, backup, true, error)) return {};
  Note(run_record::SetAsideLine(index));
  return backup;
}

void InstallJournal::DiscardBackups() {
  for (JournalEntry& entry : entries_) {
    if (entry.backup.empty()) continue;
    ::SetFileAttributesW(entry.backup.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(entry.backup.c_str());
    entry.backup.clear();
  }
}

}  // namespace qw
