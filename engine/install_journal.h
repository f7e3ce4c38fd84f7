#pragma once
// The install journal: every change an installation makes, recorded just
// before it is made, so that a failed installation can be undone newest
// first (Rollback) and a successful one leaves an uninstall log (Commit).
// It also remembers what the previous installation's log said.
//
// It records; it does not make the changes itself (apart from creating
// folders and setting aside what would be overwritten). Used from the
// user-interface thread only.

#include <windows.h>

#include <list>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "engine/journal_entry.h"
#include "engine/pending_journal_entry.h"
#include "engine/run_record_file.h"
#include "engine/uninstall_key_location.h"
#include "payload/payload_kind.h"

namespace qw {

// What AnnounceUninstallKey noted in the run record, for the
// RecordUninstallKey that follows it.
struct UninstallKeyAnnouncement {
  bool noted = false;
  std::size_t recordIndex = 0;
};

class InstallJournal {
 public:
  // The journal of an installation of the product `productDisplayName`
  // (which heads the uninstall log) whose uninstall key is the one of
  // `productKey` under HKEY_LOCAL_MACHINE.
  InstallJournal(std::wstring productDisplayName, const std::wstring& productKey);
  // The same with the uninstall key at `keyLocation`, whose name is then
  // the product key that the uninstall log records.
  explicit InstallJournal(UninstallKeyLocation keyLocation, std::wstring productDisplayName = {});
  InstallJournal(const InstallJournal&) = delete;
  InstallJournal& operator=(const InstallJournal&) = delete;
  // Frees the entries. Set-aside copies that neither Commit nor Rollback
  // settled are kept, and listed (see ReportUnsettledBackups).
  ~InstallJournal();

  // Clears the previous folders; with a path, reads that uninstall log and
  // takes its folders (those that still exist), product text and entries.
  // An unreadable file leaves the previous data empty.
  void LoadPreviousLog(const std::optional<std::wstring>& logPath);

  // The recording operations below always append their entry, not done,
  // and return it for the caller to complete with the outcome of the
  // change (engine/pending_journal_entry.h); an entry never completed
  // counts as failed. What they could not do on the way (a folder not
  // created, a file or key not set aside) they skip silently, leaving that
  // entry without backup; the reason is then kept in LastRecordingError().

  // Just before a payload file is written: its folders, then a File entry;
  // an existing file is set aside (copied when `copy`, else moved).
  PendingJournalEntry RecordFile(const std::wstring& path, std::int32_t payloadKind, bool copy);
  PendingJournalEntry RecordFile(const std::wstring& path, PayloadKind payloadKind, bool copy);
  // Just before a shortcut is created in `folder`: an entry of `kind`, and
  // the previous installation's shortcut of that kind moved aside. The
  // shortcut's path comes with the completion.
  PendingJournalEntry RecordShortcut(JournalEntryKind kind, const std::wstring& folder);
  // After the uninstall key was opened (`existingKey`) or created (null),
  // before any value is written. An existing key is saved to a hive file.
  // `announced`: what AnnounceUninstallKey noted before the key was made.
  PendingJournalEntry RecordUninstallKey(HKEY existingKey, const UninstallKeyAnnouncement& announced = {});
  PendingJournalEntry RecordSelfRegistration();
  PendingJournalEntry RecordDirectXSetup();

  // A previous File entry marked done has exactly this path (case included).
  bool WasInstalledBefore(const std::wstring& path) const;

  // Undoes every current entry, newest first, putting set-aside copies
  // back. Ignores the failures of single steps; leaves the previous entries
  // and the previous log alone.
  void Rollback();

  // Merges the previous entries in, writes the uninstall log at `logPath`
  // and deletes every set-aside copy, the latter even when the log could
  // not be written. ERROR_WRITE_FAULT (system category) when the log was
  // not completely written: the writer does not say why.
  [[nodiscard]] std::error_code Commit(const std::wstring& logPath, const std::wstring& installFolder,
                                       const std::wstring& startMenuFolder);

  // Creates `path` and its missing parents, recording each created folder.
  // Stops silently at the first folder that cannot be created (the folders
  // created before it stay, recorded); the reason is kept in
  // LastRecordingError().
  void EnsureFolder(const std::wstring& path);

  // From now on, every folder that this journal creates and that is
  // `folder` or lies on its way gets the protected descriptor of
  // CreateProtectedFolder (platform/protected_folder.h) as it is created;
  // the folders inside inherit it. Other folders are created with the
  // security they inherit, as before. Empty: none is protected.
  void ProtectFoldersOnTheWayTo(std::wstring folder) { protectedFolder_ = std::move(folder); }

  // From now on every change is also noted in `record` before it is made,
  // and its completion after, so that a run cut off half-way can be undone
  // by the next one (engine/interrupted_installation.h). Rollback and
  // Commit delete the record as their last act. Null: nothing is noted.
  void KeepRunRecord(RunRecordFile* record) { record_ = record; }
  // Notes for the record only, for changes that the journal itself does not
  // hold: that the uninstall key is about to be created (`exists`: opened),
  // for the RecordUninstallKey that follows; the product path value about
  // to be written over what was there.
  [[nodiscard]] UninstallKeyAnnouncement AnnounceUninstallKey(bool exists);
  void NoteProductPath(bool makerKeyExisted, bool valueExisted, const std::wstring& previousValue);
  // A program the run started and waits for (the registration run).
  void NoteRunningProgram(HANDLE process);
  // Deletes the record without Commit or Rollback (a run that ends
  // without either after everything was done).
  void FinishRunRecord();
  // The record kept for this run could not note a change: what comes next
  // must not be made.
  bool RunRecordFailed() const { return record_ && record_->Failed(); }

  // Why the latest Record* or EnsureFolder call fell short, in the
  // operating-system category; empty when it did everything. Each of those
  // calls replaces it.
  const std::error_code& LastRecordingError() const { return lastError_; }

  // Sets `file` aside under a new unique "qw" name in the temporary folder
  // (copied or moved, attributes kept) and returns that name; with no file
  // only reserves a name that does not exist. Empty on any failure, the
  // file then keeping its attributes; `error` then says why (and is cleared
  // on success).
  static std::wstring MakeBackup(const std::optional<std::wstring>& file, bool copy,
                                 std::error_code& error);
  static std::wstring MakeBackup(const std::optional<std::wstring>& file, bool copy);
  // The second half of MakeBackup: sets `file` aside under the reserved
  // name `name`, which must not exist. False on failure, the file keeping
  // its attributes.
  static bool SetAside(const std::wstring& file, const std::wstring& name, bool copy, std::error_code& error);

  // Writes the list of set-aside copies that neither Commit nor Rollback
  // settled (and those Rollback could not put back) to a new "qw" file in
  // the temporary folder, one "backup <TAB> original place" line each, so
  // that nothing the user had is lost without a trace. Returns the list's
  // path, or empty when there was nothing to list or it could not be
  // written. The destructor calls it unless it was called before.
  std::wstring ReportUnsettledBackups();

  const std::list<JournalEntry>& Entries() const { return entries_; }
  const PreviousInstallation& Previous() const { return previous_; }
  const std::wstring& PreviousInstallFolder() const { return previous_.installFolder; }
  const std::wstring& PreviousStartMenuFolder() const { return previous_.startMenuFolder; }

 private:
  friend class PendingJournalEntry;

  // Appends an entry, not done, and notes it in the record (unless it was
  // announced there already).
  PendingJournalEntry Open(JournalEntryKind kind, std::wstring path = {}, std::int32_t value = -1,
                           bool existedBefore = false, const UninstallKeyAnnouncement& announced = {});
  void NoteCompletion(std::size_t recordIndex, bool done, const std::optional<std::wstring>& path);
  void NoteTarget(std::size_t recordIndex, const std::wstring& path);
  // Appends to the record, when there is one; a failure is kept in
  // lastError_ unless the operation failed before.
  void Note(const std::wstring& lines, RunRecordFile::Flush flush = RunRecordFile::Flush::Now);
  std::size_t NoteEntry(const JournalEntry& entry);
  std::error_code CreateFolders(const std::wstring& path);
  // MakeBackup for the entry numbered `recordIndex`, keeping its error
  // unless the current operation already failed before.
  std::wstring BackUp(const std::wstring& file, bool copy, std::size_t recordIndex);
  void Merge();
  std::wstring NoteLogAboutToBeWritten(const std::wstring& logPath);
  void DiscardBackups();
  void UndoFile(const JournalEntry& entry);
  void UndoUninstallKey(const JournalEntry& entry);

  struct UnsettledBackup {
    std::wstring backup;
    std::wstring origin;
  };

  std::wstring productDisplayName_;
  UninstallKeyLocation keyLocation_;
  std::list<JournalEntry> entries_;
  std::size_t rollbacks_ = 0;  // pending entries recorded before a rollback are gone
  PreviousInstallation previous_;
  std::vector<UnsettledBackup> unsettled_;  // what Rollback could not put back
  bool unsettledReported_ = false;
  std::error_code lastError_;
  std::wstring protectedFolder_;
  RunRecordFile* record_ = nullptr;
  std::size_t recordEntries_ = 0;  // entry lines written to the record
};

}  // namespace qw
