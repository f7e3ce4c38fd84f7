#pragma once
// Taking away one file or one empty folder, the way both a rollback and the
// uninstaller do it: a read-only file loses that attribute first, a folder
// goes only when it is empty. The uninstaller adds a short retry and a
// removal at the next restart for a file in use. Nothing here walks trees.

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

// How DeleteFileWithRetry waits between attempts; tests replace it.
using RetryPause = std::function<void(unsigned milliseconds)>;

enum class FileRemoval {
  Removed,       // gone now (or was not there)
  AtRestart,     // in use: scheduled with MOVEFILE_DELAY_UNTIL_REBOOT
  Failed,        // neither; the file stays as it was
};

// DeleteFileClearingAttributes, tried `attempts` times with `pause`
// between while the file is in use (sharing or access violation); then the
// file is scheduled for removal at the next restart. `error` receives the
// last deletion error (empty when removed). A file that could not be
// removed keeps normal attributes.
FileRemoval DeleteFileWithRetry(const std::wstring& path, unsigned attempts, const RetryPause& pause,
                                std::error_code& error);

}  // namespace qw
