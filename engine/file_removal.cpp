#include "engine/file_removal.h"

#include <windows.h>

#include "platform/system_error.h"

namespace qw {

std::error_code DeleteFileClearingAttributes(const std::wstring& path) {
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (::DeleteFileW(path.c_str())) return {};
  return LastError();
}

std::error_code RemoveEmptyFolder(const std::wstring& path) {
  if (::RemoveDirectoryW(path.c_str())) return {};
  return LastError();
}

FileRemoval DeleteFileWithRetry(const std::wstring& path, unsigned attempts, const RetryPause& pause,
                                std::error_code& error) {
  for (unsigned attempt = 0;; ++attempt) {
    error = DeleteFileClearingAttributes(path);
    if (!error || error == SystemError(ERROR_FILE_NOT_FOUND) || error == SystemError(ERROR_PATH_NOT_FOUND)) {
      error.clear();
      return FileRemoval::Removed;
    }
    const bool inUse = error == SystemError(ERROR_SHARING_VIOLATION) ||
                       error == SystemError(ERROR_ACCESS_DENIED) ||
                       error == SystemError(ERROR_LOCK_VIOLATION);
    if (!inUse) return FileRemoval::Failed;
    if (attempt + 1 >= attempts) break;
    if (pause) pause(200);
  }
  if (::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return FileRemoval::AtRestart;
  return FileRemoval::Failed;
}

}  // namespace qw
