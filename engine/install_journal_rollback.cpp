// Rollback: undoing the recorded changes of a failed installation.
#include "engine/install_journal.h"

#include <shlwapi.h>

#include "engine/file_removal.h"
#include "platform/handles.h"
#include "platform/registry_key.h"
#include "platform/security.h"

namespace qw {

void InstallJournal::Rollback() {
  // Newest first: a folder's contents go before the folder.
  while (!entries_.empty()) {
    const JournalEntry& entry = entries_.back();
    switch (entry.kind) {
      case JournalEntryKind::Folder:
        RemoveEmptyFolder(entry.path);  // a folder that is not empty stays
        break;
      case JournalEntryKind::File:
      case JournalEntryKind::ProgramShortcut:
      case JournalEntryKind::UninstallShortcut:
      case JournalEntryKind::DesktopShortcut:
        UndoFile(entry);
        break;
      case JournalEntryKind::UninstallKey:
        UndoUninstallKey(entry);
        break;
      case JournalEntryKind::SelfRegistration:
      case JournalEntryKind::DirectXSetup:
        break;
    }
    entries_.pop_back();
  }
  open_ = false;
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
  EnableTokenPrivilege(SE_RESTORE_NAME, true);
  UniqueRegKey parent;
  if (!OpenRegKey(keyLocation_.root, keyLocation_.parentPath, KEY_ALL_ACCESS, parent)) {
    if (!entry.backup.empty()) {
      bool restored = false;
      UniqueRegKey product;
      if (!OpenRegKey(parent.get(), keyLocation_.name, KEY_ALL_ACCESS, product)) {
        restored = ::RegRestoreKeyW(product.get(), entry.backup.c_str(), 0) == ERROR_SUCCESS;
      }
      // The saved hive is the only copy of the user's key: it goes only
      // once it is back in the registry.
      if (restored) {
        ::SetFileAttributesW(entry.backup.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(entry.backup.c_str());
      } else {
        unsettled_.push_back({entry.backup, keyLocation_.parentPath + L"\\" + keyLocation_.name});
      }
    } else if (!entry.existedBefore) {
      // Created by this installation. A key that existed but could not be
      // saved stays as it is: its values may be changed, but it is not lost.
      ::SHDeleteKeyW(parent.get(), keyLocation_.name.c_str());
    }
  }
  EnableTokenPrivilege(SE_RESTORE_NAME, false);
}

}  // namespace qw
