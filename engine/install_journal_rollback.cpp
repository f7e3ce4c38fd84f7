// Rollback: undoing the recorded changes of a failed installation.
#include "engine/install_journal.h"

#include "engine/file_removal.h"
#include "engine/journal_entry_rules.h"
#include "engine/uninstall_key_location.h"
#include "platform/handles.h"
#include "platform/registry_key.h"
#include "platform/security.h"

namespace qw {

void InstallJournal::Rollback() {
  // Newest first: a folder's contents go before the folder.
  while (!entries_.empty()) {
    const JournalEntry& entry = entries_.back();
    switch (RulesOf(entry.kind).rollback) {
      case RollbackAction::RemoveEmptyFolder: RemoveEmptyFolder(entry.path); break;
      case RollbackAction::DeleteAndPutBack: UndoFile(entry); break;
      case RollbackAction::RestoreUninstallKey: UndoUninstallKey(entry); break;
      case RollbackAction::Keep: break;
    }
    entries_.pop_back();
  }
  ++rollbacks_;  // entries still pending are gone
  // Last: until everything above was undone, the record says what to undo.
  FinishRunRecord();
}

void InstallJournal::UndoFile(const JournalEntry& entry) {
  // A file that was there before and could not be set aside is the user's
  // (or the installer's new one over it): deleting it would lose it.
  const bool leaveInPlace = entry.existedBefore && entry.backup.empty();
  if (!entry.path.empty() && !leaveInPlace) {
    DeleteFileClearingAttributes(entry.path);
  }
  if (entry.backup.empty()) return;
  const std::wstring& origin = entry.backupOrigin.empty() ? entry.path : entry.backupOrigin;
  const DWORD attributes = ::GetFileAttributesW(entry.backup.c_str());
  ::SetFileAttributesW(entry.backup.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!origin.empty() && ::MoveFileW(entry.backup.c_str(), origin.c_str())) {
    if (attributes != INVALID_FILE_ATTRIBUTES) ::SetFileAttributesW(origin.c_str(), attributes);
    return;
  }
  if (attributes != INVALID_FILE_ATTRIBUTES) ::SetFileAttributesW(entry.backup.c_str(), attributes);
  unsettled_.push_back({entry.backup, origin});
}

void InstallJournal::UndoUninstallKey(const JournalEntry& entry) {
  if (entry.backup.empty()) {
    // Created by this installation. A key that existed but could not be
    // saved stays as it is: its values may be changed, but it is not lost.
    if (!entry.existedBefore) DeleteUninstallKey(keyLocation_);
    return;
  }
  EnableTokenPrivilege(SE_RESTORE_NAME, true);
  bool restored = false;
  UniqueRegKey product;
  if (!OpenRegKey(keyLocation_.root, keyLocation_.parentPath + L"\\" + keyLocation_.name, KEY_ALL_ACCESS, product)) {
    restored = ::RegRestoreKeyW(product.get(), entry.backup.c_str(), 0) == ERROR_SUCCESS;
  }
  EnableTokenPrivilege(SE_RESTORE_NAME, false);
  // The saved hive is the only copy of the user's key: it goes only once
  // it is back in the registry.
  if (restored) {
    ::SetFileAttributesW(entry.backup.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(entry.backup.c_str());
  } else {
    unsettled_.push_back({entry.backup, keyLocation_.parentPath + L"\\" + keyLocation_.name});
  }
}

}  // namespace qw
