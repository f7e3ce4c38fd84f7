#include "engine/install_journal.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <atomic>
#include <utility>

#include "engine/folder_containment.h"
#include "engine/journal_entry_rules.h"
#include "engine/uninstall_log.h"
#include "engine/uninstall_log_format.h"
#include "platform/handles.h"
#include "platform/path_elements.h"
#include "platform/protected_folder.h"
#include "platform/security.h"
#include "platform/system_error.h"

namespace qw {
namespace {

bool FileExists(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A "qw" name in `tempFolder` at which no file exists: GetTempFileNameW's
// form, with a number of our own. With 0 that call would make an empty
// file that only a later call removes, and a run killed in between would
// leave it behind with no record of it. Nothing is made here; whatever then
// takes the name (move, copy, hive save) fails rather than replace a file
// that appeared meanwhile.
std::wstring FreeTemporaryName(const wchar_t* tempFolder, std::error_code& error) {
  static std::atomic<UINT> next{(::GetTickCount() ^ (::GetCurrentProcessId() << 4)) & 0xFFFF};
  for (UINT tries = 0; tries < 0x10000; ++tries) {
    const UINT unique = next++ & 0xFFFF;
    if (unique == 0) continue;  // 0 asks GetTempFileNameW to make the file
    wchar_t name[MAX_PATH] = {};
    if (!::GetTempFileNameW(tempFolder, L"qw", unique, name)) {
      error = LastError();
      return {};
    }
    if (::GetFileAttributesW(name) != INVALID_FILE_ATTRIBUTES) continue;
    const DWORD why = ::GetLastError();
    if (why == ERROR_FILE_NOT_FOUND || why == ERROR_PATH_NOT_FOUND) return name;
  }
  error = SystemError(ERROR_FILE_EXISTS);
  return {};
}

}  // namespace

InstallJournal::InstallJournal(std::wstring productDisplayName, const std::wstring& productKey)
    : InstallJournal(UninstallKeyLocation::ForProduct(productKey), std::move(productDisplayName)) {}

InstallJournal::InstallJournal(UninstallKeyLocation keyLocation, std::wstring productDisplayName)
    : productDisplayName_(std::move(productDisplayName)), keyLocation_(std::move(keyLocation)) {}

// Deleting unsettled copies here could lose files the user had (the
// installation may have failed without a rollback); putting them back could
// undo an installation that succeeded without a commit. They stay, listed.
InstallJournal::~InstallJournal() {
  try {
    if (!unsettledReported_) ReportUnsettledBackups();
  } catch (...) {
  }
}

void InstallJournal::LoadPreviousLog(const std::optional<std::wstring>& logPath) {
  UninstallLog::Read(logPath, previous_);
}

PendingJournalEntry InstallJournal::Open(JournalEntryKind kind, std::wstring path, std::int32_t value,
                                         bool existedBefore, const UninstallKeyAnnouncement& announced) {
  JournalEntry& entry = entries_.emplace_back();
  entry.kind = kind;
  entry.path = std::move(path);
  entry.value = value;
  entry.existedBefore = existedBefore;
  const std::size_t recordIndex = announced.noted ? announced.recordIndex : NoteEntry(entry);
  return PendingJournalEntry(*this, entry, recordIndex, rollbacks_);
}

void InstallJournal::NoteCompletion(std::size_t recordIndex, bool done, const std::optional<std::wstring>& path) {
  // The target of a shortcut was noted before it was made; the rest of the
  // line need not wait for the disk.
  Note(run_record::CompletionLine(recordIndex, done, path ? &*path : nullptr),
       RunRecordFile::Flush::WithALaterLine);
}

void InstallJournal::NoteTarget(std::size_t recordIndex, const std::wstring& path) {
  Note(run_record::TargetLine(recordIndex, path));
}

void InstallJournal::Note(const std::wstring& lines, RunRecordFile::Flush flush) {
  if (!record_) return;
  const std::error_code error = record_->Append(lines, flush);
  if (error && !lastError_) lastError_ = error;
}

std::size_t InstallJournal::NoteEntry(const JournalEntry& entry) {
  if (!record_) return 0;
  Note(run_record::EntryLine(entry));
  return recordEntries_++;
}

// With a record, the name is reserved and noted before anything is moved,
// and noted as set aside once the copy is whole: a run cut off in between
// leaves the next one enough to tell which file is the user's.
std::wstring InstallJournal::BackUp(const std::wstring& file, bool copy, std::size_t recordIndex) {
  std::error_code error;
  std::wstring backup;
  if (!record_) {
    backup = MakeBackup(file, copy, error);
  } else {
    backup = MakeBackup(std::nullopt, false, error);
    if (!backup.empty()) {
      Note(run_record::BackupLine(recordIndex, backup, file));
      if (SetAside(file, backup, copy, error)) {
        Note(run_record::SetAsideLine(recordIndex));
      } else {
        backup.clear();
      }
    }
  }
  if (!lastError_) lastError_ = error;
  return backup;
}

UninstallKeyAnnouncement InstallJournal::AnnounceUninstallKey(bool exists) {
  if (!record_) return {};
  JournalEntry entry;
  entry.kind = JournalEntryKind::UninstallKey;
  entry.existedBefore = exists;
  return {true, NoteEntry(entry)};
}

void InstallJournal::NoteProductPath(bool makerKeyExisted, bool valueExisted, const std::wstring& previousValue) {
  Note(run_record::ProductPathLine(makerKeyExisted, valueExisted, previousValue));
}

void InstallJournal::NoteRunningProgram(HANDLE process) {
  Note(run_record::RunningProgramLine(RecordWriterOf(process)));
}

void InstallJournal::FinishRunRecord() {
  if (record_) record_->Delete();
  record_ = nullptr;
}

PendingJournalEntry InstallJournal::RecordFile(const std::wstring& path, std::int32_t payloadKind, bool copy) {
  lastError_ = CreateFolders(ParentPath(path));
  const bool exists = FileExists(path);
  PendingJournalEntry pending = Open(JournalEntryKind::File, path, payloadKind, exists);
  if (exists) {
    JournalEntry& entry = *pending.entry_;
    entry.backup = BackUp(path, copy, pending.recordIndex_);
    if (!entry.backup.empty()) entry.backupOrigin = path;
  }
  return pending;
}

PendingJournalEntry InstallJournal::RecordFile(const std::wstring& path, PayloadKind payloadKind, bool copy) {
  return RecordFile(path, static_cast<std::int32_t>(payloadKind), copy);
}

PendingJournalEntry InstallJournal::RecordShortcut(JournalEntryKind kind, const std::wstring& folder) {
  lastError_ = CreateFolders(folder);
  PendingJournalEntry pending = Open(kind);
  for (const JournalEntry& previous : previous_.entries) {
    if (previous.kind != kind) continue;
    if (!previous.path.empty() && FileExists(previous.path)) {
      JournalEntry& entry = *pending.entry_;
      entry.backup = BackUp(previous.path, false, pending.recordIndex_);
      // Rollback puts the old shortcut back where it was, not under the
      // new shortcut's name (which carries the new version, or is empty
      // when the new shortcut failed).
      if (!entry.backup.empty()) entry.backupOrigin = previous.path;
    }
    break;
  }
  return pending;
}

PendingJournalEntry InstallJournal::RecordUninstallKey(HKEY existingKey, const UninstallKeyAnnouncement& announced) {
  lastError_.clear();
  // Remembered even when the key cannot be saved, so that rollback leaves
  // the user's key in place rather than deleting it.
  PendingJournalEntry pending = Open(JournalEntryKind::UninstallKey, {}, -1, existingKey != nullptr, announced);
  if (!existingKey) return pending;
  const std::wstring hive = MakeBackup(std::nullopt, false, lastError_);
  if (hive.empty()) return pending;
  const std::size_t index = pending.recordIndex_;
  Note(run_record::BackupLine(index, hive, std::wstring()));
  EnableTokenPrivilege(SE_BACKUP_NAME, true);
  const LONG saved = ::RegSaveKeyW(existingKey, hive.c_str(), nullptr);
  EnableTokenPrivilege(SE_BACKUP_NAME, false);
  if (saved == ERROR_SUCCESS) {
    pending.entry_->backup = hive;
    Note(run_record::SetAsideLine(index));
    return pending;
  }
  lastError_ = SystemError(static_cast<DWORD>(saved));
  // A half-written hive is ours; a file that took the name meanwhile is not.
  if (saved != ERROR_ALREADY_EXISTS && saved != ERROR_FILE_EXISTS) {
    ::SetFileAttributesW(hive.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(hive.c_str());
  }
  return pending;
}

PendingJournalEntry InstallJournal::RecordSelfRegistration() {
  lastError_.clear();
  return Open(JournalEntryKind::SelfRegistration);
}

PendingJournalEntry InstallJournal::RecordDirectXSetup() {
  lastError_.clear();
  return Open(JournalEntryKind::DirectXSetup);
}

bool InstallJournal::WasInstalledBefore(const std::wstring& path) const {
  for (const JournalEntry& entry : previous_.entries) {
    if (entry.kind == JournalEntryKind::File && entry.done && entry.path == path) return true;
  }
  return false;
}

void InstallJournal::EnsureFolder(const std::wstring& path) { lastError_ = CreateFolders(path); }

std::error_code InstallJournal::CreateFolders(const std::wstring& path) {
  if (path.empty()) return {};  // a file without folder: nothing to create
  if (path.size() >= MAX_PATH) return SystemError(ERROR_FILENAME_EXCED_RANGE);
  const wchar_t* afterRoot = ::PathSkipRootW(path.c_str());
  const std::size_t rootLength = afterRoot ? static_cast<std::size_t>(afterRoot - path.c_str()) : 0;

  for (const std::wstring& prefix : PrefixesPastRoot(path, rootLength)) {
    if (::PathIsDirectoryW(prefix.c_str())) continue;
    if (record_) {
      JournalEntry noted;
      noted.kind = JournalEntryKind::Folder;
      noted.path = prefix;
      NoteEntry(noted);  // before it exists: a folder cut off here is still found
    }
    if (!protectedFolder_.empty() && IsWithinFolder(protectedFolder_, prefix)) {
      if (const std::error_code error = CreateProtectedFolder(prefix)) return error;
    } else if (!::CreateDirectoryW(prefix.c_str(), nullptr)) {
      return LastError();
    }
    ::SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHW, prefix.c_str(), nullptr);
    JournalEntry& folder = entries_.emplace_back();
    folder.kind = JournalEntryKind::Folder;
    folder.path = prefix;
    folder.done = RulesOf(JournalEntryKind::Folder).doneWhenRecorded;  // recorded once made
  }
  return {};
}

std::wstring InstallJournal::MakeBackup(const std::optional<std::wstring>& file, bool copy) {
  std::error_code ignored;
  return MakeBackup(file, copy, ignored);
}

std::wstring InstallJournal::MakeBackup(const std::optional<std::wstring>& file, bool copy,
                                        std::error_code& error) {
  error.clear();
  wchar_t tempFolder[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH, tempFolder);
  if (length == 0) {
    error = LastError();
    return {};
  }
  if (length > MAX_PATH - 14) {  // no room for the unique name
    error = SystemError(ERROR_FILENAME_EXCED_RANGE);
    return {};
  }
  const std::wstring name = FreeTemporaryName(tempFolder, error);
  if (name.empty()) return {};
  if (!file) return name;
  return SetAside(*file, name, copy, error) ? name : std::wstring();
}

bool InstallJournal::SetAside(const std::wstring& file, const std::wstring& name, bool copy,
                              std::error_code& error) {
  error.clear();
  const DWORD attributes = ::GetFileAttributesW(file.c_str());
  const bool known = attributes != INVALID_FILE_ATTRIBUTES;
  ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
  // Neither replaces a file at `name`.
  if (copy ? ::CopyFileW(file.c_str(), name.c_str(), TRUE) : ::MoveFileW(file.c_str(), name.c_str())) {
    if (known) {
      if (copy) ::SetFileAttributesW(file.c_str(), attributes);
      ::SetFileAttributesW(name.c_str(), attributes);
    }
    return true;
  }
  error = LastError();
  if (known) ::SetFileAttributesW(file.c_str(), attributes);
  return false;
}

std::wstring InstallJournal::ReportUnsettledBackups() {
  std::wstring text;
  for (const JournalEntry& entry : entries_) {
    if (entry.backup.empty()) continue;
    const std::wstring& origin = entry.backupOrigin.empty() ? entry.path : entry.backupOrigin;
    text += entry.backup + L"\t" + origin + L"\r\n";
  }
  for (const UnsettledBackup& left : unsettled_) text += left.backup + L"\t" + left.origin + L"\r\n";
  if (text.empty()) return {};

  const std::wstring listPath = MakeBackup(std::nullopt, false);
  if (listPath.empty()) return {};
  UniqueFile list(::CreateFileW(listPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!list) return {};
  text.insert(0, L"\xFEFF");
  DWORD written = 0;
  const DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (!::WriteFile(list.get(), text.data(), size, &written, nullptr) || written != size) return {};
  ::OutputDebugStringW((L"Meridel installer: set-aside files listed in " + listPath).c_str());
  unsettled_.clear();
  unsettledReported_ = true;
  return listPath;
}

}  // namespace qw
