#include "engine/interrupted_installation.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <tlhelp32.h>

#include <algorithm>

#include "engine/error_code_text.h"
#include "engine/file_removal.h"
#include "engine/journal_entry_rules.h"
#include "engine/product_registry.h"
#include "engine/removal_error.h"
#include "engine/removal_path.h"
#include "engine/run_record_file.h"
#include "engine/uninstall_key_location.h"
#include "platform/handles.h"
#include "platform/path_elements.h"
#include "platform/registry_key.h"
#include "platform/same_name.h"
#include "platform/security.h"
#include "platform/system_error.h"

namespace qw {
namespace {

constexpr DWORD kProgramWaitMs = 60000;

// "path (reason)": the system's codes as the installer shows them, the
// refusals by what they say.
std::wstring WithReason(const std::wstring& what, const std::error_code& why) {
  if (!why) return what;
  if (why.category() == std::system_category()) return what + L" (" + ErrorCodeText(why) + L")";
  const std::string message = why.message();
  return what + L" (" + std::wstring(message.begin(), message.end()) + L")";
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring ProcessTemporaryFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
  if (length < 4 || length > MAX_PATH) return {};
  return LongFolderPath(std::wstring(buffer, length - 1));
}

// The folder above the users' profiles ("C:\Users").
std::wstring ProfilesFolder() {
  wchar_t buffer[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, buffer))) return {};
  return ParentPath(LongFolderPath(buffer));
}

// Waits up to `milliseconds` until no process runs the program `path`;
// false when one still does. One that the interrupted run started itself
// (its registration run, child of `writer`) is part of that run and is
// ended: nothing else will.
bool WaitForProgramToEnd(const std::wstring& path, const RecordWriter& writer, DWORD milliseconds) {
  const std::wstring name = LastElement(path);
  const DWORD start = ::GetTickCount();
  for (;;) {
    UniqueHandle running;
    UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot && ::Process32FirstW(snapshot.get(), &entry); more && !running;
         more = ::Process32NextW(snapshot.get(), &entry)) {
      if (!SameName(entry.szExeFile, name)) continue;
      UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE | PROCESS_TERMINATE, FALSE,
                                         entry.th32ProcessID));
      wchar_t image[MAX_PATH * 2] = {};
      DWORD size = MAX_PATH * 2;
      if (!process || !::QueryFullProcessImageNameW(process.get(), 0, image, &size) || !IsSamePath(image, path))
        continue;
      // Started after the run's process, by it: its registration run.
      if (entry.th32ParentProcessID == writer.processId && RecordWriterOf(process.get()).creationTime > writer.creationTime)
        ::TerminateProcess(process.get(), ERROR_PROCESS_ABORTED);
      running = std::move(process);
    }
    if (!running) return true;
    const DWORD spent = ::GetTickCount() - start;
    if (spent >= milliseconds || ::WaitForSingleObject(running.get(), milliseconds - spent) != WAIT_OBJECT_0)
      return false;
  }
}

class Recovery {
 public:
  Recovery(const InstallationRecovery& request, const RecordedInstallation& record)
      : request_(request), record_(record) {
    ProductPlaceFacts facts = request.facts;
    facts.installFolder = record.installFolder;
    facts.startMenuFolder = record.startMenuFolder;
    places_ = RemovalPlaces::ForProduct(facts);
    temporary_ = ProcessTemporaryFolder();
    profiles_ = ProfilesFolder();
  }

  std::vector<std::wstring> Undo() {
    if (record_.productPath.noted) RestoreProductPath();
    for (auto it = record_.entries.rbegin(); it != record_.entries.rend(); ++it) Undo(*it);
    RemoveTemporaryFolder();
    return std::move(left_);
  }

  // The run was finished: only its set-aside copies and working folder.
  std::vector<std::wstring> Finish() {
    for (const RecordedEntry& recorded : record_.entries) {
      const std::wstring& backup = recorded.entry.backup;
      if (!backup.empty() && IsBackupName(backup) && Exists(backup)) DeleteFileClearingAttributes(backup);
    }
    RemoveTemporaryFolder();
    return std::move(left_);
  }

 private:
  void Leave(const std::wstring& what, const std::error_code& why) { left_.push_back(WithReason(what, why)); }

  // A set-aside copy lies directly in a temporary folder under a "qw" name:
  // this process's, one of a user profile's or the Windows folder's.
  bool IsBackupName(const std::wstring& path) const {
    if (CheckPathForm(path)) return false;
    const std::wstring name = LastElement(path);
    if (name.size() < 7 || !SameName(name.substr(0, 2), L"qw") || !SameName(name.substr(name.size() - 4), L".tmp"))
      return false;
    return IsTemporaryFolder(ParentPath(path));
  }

  bool IsTemporaryFolder(const std::wstring& folder) const {
    if (CheckPathForm(folder)) return false;
    if (!temporary_.empty() && IsSamePath(folder, temporary_)) return true;
    if (!SameName(LastElement(folder), L"Temp")) return false;
    wchar_t windows[MAX_PATH] = {};
    const UINT length = ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (length > 0 && length < MAX_PATH && IsSamePath(folder, std::wstring(windows, length) + L"\\Temp")) return true;
    return !profiles_.empty() && IsStrictlyInside(folder, profiles_);
  }

  // The copy that may be put back, or empty. A name that is not a set-aside
  // copy's is refused and listed; one that is gone was never made or was
  // already put back.
  std::wstring UsableBackup(const RecordedEntry& recorded) {
    const std::wstring& backup = recorded.entry.backup;
    if (backup.empty()) return {};
    if (!IsBackupName(backup)) {
      Leave(backup, removal_errc::not_its_place);
      return {};
    }
    const DWORD attributes = ::GetFileAttributesW(backup.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {};
    if (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) {
      Leave(backup, removal_errc::reparse_point);
      return {};
    }
    return backup;
  }

  std::error_code Check(JournalEntryKind kind, const std::wstring& path, std::int32_t value) const {
    JournalEntry entry;
    entry.kind = kind;
    entry.path = path;
    entry.value = value;
    entry.done = true;
    return CheckRemovable(entry, places_);
  }

  // Deletes `path` when it is there; false (listed) when it stays.
  bool Delete(const std::wstring& path) {
    std::error_code error;
    if (DeleteFileWithRetry(path, 5, [](unsigned ms) { ::Sleep(ms); }, false, error) == FileRemoval::Removed)
      return true;
    Leave(path, error);
    return false;
  }

  void PutBack(const std::wstring& backup, const std::wstring& origin) {
    const DWORD attributes = ::GetFileAttributesW(backup.c_str());
    ::SetFileAttributesW(backup.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (::MoveFileExW(backup.c_str(), origin.c_str(), MOVEFILE_COPY_ALLOWED)) {
      ::SetFileAttributesW(origin.c_str(), attributes);
      return;
    }
    const std::error_code error = LastError();
    ::SetFileAttributesW(backup.c_str(), attributes);
    Leave(backup + L" -> " + origin, error);
  }

  void Undo(const RecordedEntry& recorded) {
    const JournalEntry& entry = recorded.entry;
    // What the uninstaller would remove, whether it was done or not.
    switch (RulesOf(entry.kind).removal) {
      case RemovalAction::RemoveEmptyFolder: UndoFolder(entry.path); break;
      case RemovalAction::RemovePayloadFile: UndoFile(recorded); break;
      case RemovalAction::RemoveShortcut: UndoShortcut(recorded); break;
      case RemovalAction::RemoveRegistryEntries: UndoUninstallKey(recorded); break;
      case RemovalAction::Unregister: Unregister(); break;
      case RemovalAction::KeepSharedComponent: break;  // shared by other programs: it stays
    }
  }

  void UndoFolder(const std::wstring& path) {
    if (const std::error_code why = Check(JournalEntryKind::Folder, path, -1)) {
      Leave(path, why);
      return;
    }
    const std::error_code error = DeleteThroughHandle(path, true);
    if (!error || error == SystemError(ERROR_FILE_NOT_FOUND) || error == SystemError(ERROR_PATH_NOT_FOUND)) return;
    Leave(path, error);
  }

  void UndoFile(const RecordedEntry& recorded) {
    const JournalEntry& entry = recorded.entry;
    if (const std::error_code why = Check(JournalEntryKind::File, entry.path, entry.value)) {
      Leave(entry.path, why);
      return;
    }
    if (!entry.existedBefore) {
      Delete(entry.path);
      return;
    }
    // Something was there before: it is touched only when its copy is there
    // to take its place.
    const std::wstring backup = UsableBackup(recorded);
    if (backup.empty()) return;
    const bool moved = !Exists(entry.path);
    if (!recorded.setAside && !moved) {
      DeleteFileClearingAttributes(backup);  // a copy cut off half-way; the file never left
      return;
    }
    if (!moved && !Delete(entry.path)) return;
    PutBack(backup, entry.path);
  }

  void UndoShortcut(const RecordedEntry& recorded) {
    const JournalEntry& entry = recorded.entry;
    const std::wstring path = entry.path.empty() ? recorded.target : entry.path;
    if (!path.empty()) {
      if (const std::error_code why = Check(entry.kind, path, -1)) {
        Leave(path, why);
      } else {
        Delete(path);
      }
    }
    const std::wstring backup = UsableBackup(recorded);
    if (backup.empty()) return;
    const std::wstring& origin = entry.backupOrigin;
    if (const std::error_code why = Check(entry.kind, origin, -1)) {
      Leave(origin, why);
      return;
    }
    if (!recorded.setAside && Exists(origin)) {
      DeleteFileClearingAttributes(backup);
      return;
    }
    PutBack(backup, origin);
  }

  void UndoUninstallKey(const RecordedEntry& recorded) {
    const UninstallKeyLocation& key = request_.uninstallKey;
    const std::wstring name = key.Text();
    const std::wstring backup = UsableBackup(recorded);
    if (!recorded.entry.existedBefore) {
      if (const std::error_code error = DeleteUninstallKey(key)) Leave(name, error);
      return;
    }
    if (backup.empty()) return;  // the key was not saved: it stays as it is
    if (!recorded.setAside) {
      DeleteFileClearingAttributes(backup);
      return;
    }
    EnableTokenPrivilege(SE_RESTORE_NAME, true);
    UniqueRegKey product;
    std::error_code error = CreateRegKey(key.root, key.parentPath + L"\\" + key.name, KEY_ALL_ACCESS, product);
    if (!error) {
      const LSTATUS status = ::RegRestoreKeyW(product.get(), backup.c_str(), 0);
      if (status != ERROR_SUCCESS) error = SystemError(static_cast<DWORD>(status));
      product.reset();
    }
    EnableTokenPrivilege(SE_RESTORE_NAME, false);
    if (!error) {
      DeleteFileClearingAttributes(backup);
    } else {
      Leave(name, error);
    }
  }

  // The product's registration, through its own program while it is there;
  // only for a first installation: a reinstallation or update registered
  // what the installation before it had registered already.
  void Unregister() {
    if (!request_.unregister || record_.productPath.valueExisted) return;
    for (const RecordedEntry& recorded : record_.entries)
      if (recorded.entry.kind == JournalEntryKind::UninstallKey && recorded.entry.existedBefore) return;
    for (auto it = record_.entries.rbegin(); it != record_.entries.rend(); ++it) {
      const JournalEntry& entry = it->entry;
      if (!IsMainProgramEntry(entry)) continue;
      if (Check(entry.kind, entry.path, entry.value) || !Exists(entry.path)) return;
      if (const std::error_code error = request_.unregister(entry.path)) Leave(entry.path, error);
      return;
    }
  }

  void RestoreProductPath() {
    const ProductPathLocation& where = request_.productPath;
    const RecordedProductPath& before = record_.productPath;
    const std::wstring valueName = ProductPathValueName(request_.productKey);
    UniqueRegKey maker;
    if (OpenRegKey(where.root, where.subkey, KEY_ALL_ACCESS, maker)) return;
    LSTATUS status = ERROR_SUCCESS;
    if (before.valueExisted) {
      const auto bytes = static_cast<DWORD>((before.previousValue.size() + 1) * sizeof(wchar_t));
      status = ::RegSetValueExW(maker.get(), valueName.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(before.previousValue.c_str()), bytes);
    } else {
      status = ::RegDeleteValueW(maker.get(), valueName.c_str());
      if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
    }
    if (status != ERROR_SUCCESS) Leave(L"HKEY_LOCAL_MACHINE\\" + where.subkey + L"\\" + valueName, SystemError(static_cast<DWORD>(status)));
    if (before.makerKeyExisted) return;
    DWORD subkeys = 1, values = 1;
    const bool empty = ::RegQueryInfoKeyW(maker.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                          nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
                       subkeys == 0 && values == 0;
    maker.reset();
    if (empty) ::RegDeleteKeyW(where.root, where.subkey.c_str());
  }

  // The run's working folder ("quillon_{...}" in a temporary folder) and
  // the setup files extracted into it.
  void RemoveTemporaryFolder() {
    const std::wstring& folder = record_.temporaryFolder;
    if (folder.empty() || !Exists(folder)) return;
    const std::wstring name = LastElement(folder);
    if (name.size() < 10 || name.compare(0, 9, L"quillon_{") != 0 || name.back() != L'}' ||
        CheckPathForm(folder) || !IsTemporaryFolder(ParentPath(folder))) {
      Leave(folder, removal_errc::not_its_place);
      return;
    }
    WIN32_FIND_DATAW found{};
    UniqueFindHandle search(::FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (search) {
      do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        Delete(folder + L"\\" + found.cFileName);
      } while (::FindNextFileW(search.get(), &found));
    }
    search.reset();
    const std::error_code error = DeleteThroughHandle(folder, true);
    if (error && error != SystemError(ERROR_FILE_NOT_FOUND)) Leave(folder, error);
  }

  const InstallationRecovery& request_;
  const RecordedInstallation& record_;
  RemovalPlaces places_;
  std::wstring temporary_;
  std::wstring profiles_;
  std::vector<std::wstring> left_;
};

}  // namespace

RecoveryResult RecoverInterruptedInstallation(const InstallationRecovery& request) {
  RecoveryResult result;
  std::wstring text;
  const std::error_code readError = ReadRunRecordText(request.recordFolder, RunRecordKind::Installation, text);
  if (readError == SystemError(ERROR_FILE_NOT_FOUND) || readError == SystemError(ERROR_PATH_NOT_FOUND)) return result;
  const std::wstring recordPath = RunRecordPath(request.recordFolder, RunRecordKind::Installation);
  if (readError) {
    // A record in a place an ordinary user controls says nothing: it stays,
    // untouched, and the user hears of it.
    result.outcome = RecoveryOutcome::PartlyUndone;
    result.left.push_back(WithReason(recordPath, readError));
    return result;
  }
  const RecordedInstallation record = run_record::ParseInstallationRecord(text);
  if (record.linesRead > 0 && RecordWriterRuns(record.writer)) {
    result.outcome = RecoveryOutcome::WriterRuns;
    return result;
  }
  // A program the run had started (its registration run) is part of it:
  // it is ended before anything it may hold is undone. One that does not
  // end leaves the record to a later start.
  for (const RecordWriter& program : record.programs) {
    if (!EndRecordWriter(program, kProgramWaitMs)) {
      result.outcome = RecoveryOutcome::WriterRuns;
      return result;
    }
  }
  for (const RecordedEntry& recorded : record.entries) {
    const JournalEntry& entry = recorded.entry;
    if (!IsMainProgramEntry(entry) || CheckPathForm(entry.path)) continue;
    if (!WaitForProgramToEnd(entry.path, record.writer, kProgramWaitMs)) {
      result.outcome = RecoveryOutcome::WriterRuns;
      return result;
    }
  }
  Recovery recovery(request, record);
  if (record.committed) {
    result.left = recovery.Finish();
    result.outcome = RecoveryOutcome::Finished;
  } else {
    result.left = recovery.Undo();
    // A record damaged in the middle (not merely cut off in its last line)
    // may have listed more than could be read.
    bool cutInLastLine = true;
    if (!record.complete) {
      const std::size_t lastEnd = text.rfind(L"\r\n");
      const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), L'\n'));
      cutInLastLine = lastEnd != std::wstring::npos && static_cast<int>(lines) == record.linesRead;
    }
    if (!cutInLastLine) result.left.push_back(recordPath + L" (" + std::to_wstring(record.linesRead) + L")");
    result.outcome = result.left.empty() ? RecoveryOutcome::Undone : RecoveryOutcome::PartlyUndone;
  }
  DeleteRunRecord(request.recordFolder, RunRecordKind::Installation);
  return result;
}

}  // namespace qw
