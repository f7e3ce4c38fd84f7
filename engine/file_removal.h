#pragma once
// Taking away one file or one empty folder, the way both a rollback and the
// uninstaller do it: a read-only file loses that attribute first, a folder
// goes only when it is empty. The uninstaller deletes through a handle that
// it verifies first, and adds a short retry and a removal at the next
// restart for a file in use. Nothing here walks trees.

#include <functional>
#include <string>
#include <system_error>

namespace qw {

// Clears the file's attributes and deletes it. Returns the deletion's error
// in the operating-system category (ERROR_FILE_NOT_FOUND when there was no
// file); on failure the file stays, with normal attributes when they could
// be cleared.
std::error_code DeleteFileClearingAttributes(const std::wstring& path);

// Removes the folder when it is empty. Returns the error of
// RemoveDirectoryW (ERROR_DIR_NOT_EMPTY for a folder with contents,
// ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND when it is not there); the
// folder and its contents are then untouched.
std::error_code RemoveEmptyFolder(const std::wstring& path);

// Deletes the file (or, with `folder`, the empty folder) that `path` names
// now, through a handle: opened without following a reparse point, checked
// to be no reparse point, of the kind asked for, and still at `path`
// (GetFinalPathNameByHandleW), then marked for deletion through the handle.
// A file with one name loses its read-only attribute first; a file with
// other hard links keeps its attributes (they are shared) and only this
// name goes. Returns removal_errc::reparse_point or moved when the handle
// leads elsewhere, else the system's error (ERROR_FILE_NOT_FOUND when
// nothing is there, ERROR_DIR_NOT_EMPTY for a folder with contents); the
// file or folder is then untouched.
std::error_code DeleteThroughHandle(const std::wstring& path, bool folder);

// How DeleteFileWithRetry waits between attempts; tests replace it.
using RetryPause = std::function<void(unsigned milliseconds)>;

enum class FileRemoval {
  Removed,       // gone now (or was not there)
  AtRestart,     // in use: scheduled with MOVEFILE_DELAY_UNTIL_REBOOT
  Failed,        // neither; the file stays as it was
};

// DeleteThroughHandle, tried `attempts` times with `pause` between while the
// file is in use (sharing or access violation); then, when
// `mayWaitForRestart`, the file is scheduled for removal at the next
// restart. `error` receives the last deletion error (empty when removed).
FileRemoval DeleteFileWithRetry(const std::wstring& path, unsigned attempts, const RetryPause& pause,
                                bool mayWaitForRestart, std::error_code& error);

}  // namespace qw
