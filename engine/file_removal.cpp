#include "engine/file_removal.h"

#include <windows.h>

#include "engine/removal_error.h"
#include "engine/removal_path.h"
#include "platform/final_path.h"
#include "platform/handles.h"
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

std::error_code DeleteThroughHandle(const std::wstring& path, bool folder) {
  const DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT | (folder ? FILE_FLAG_BACKUP_SEMANTICS : 0);
  UniqueFile handle(::CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  flags, nullptr));
  if (!handle) return LastError();
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(handle.get(), &information)) return LastError();
  if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return removal_errc::reparse_point;
  const bool isFolder = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  // What the handle reached must be what was checked: a folder on the way
  // that became a link since then leads elsewhere.
  if (isFolder != folder || !IsSamePath(FinalPath(handle.get()), path)) return removal_errc::moved;

  if (!folder && information.nNumberOfLinks == 1 && (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
    FILE_BASIC_INFO basic{};  // zero times: left as they are
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    ::SetFileInformationByHandle(handle.get(), FileBasicInfo, &basic, sizeof basic);
  }
  FILE_DISPOSITION_INFO disposition{TRUE};
  if (!::SetFileInformationByHandle(handle.get(), FileDispositionInfo, &disposition, sizeof disposition))
    return LastError();
  handle.reset();
  // The deletion happens as the handle closes; a folder that is still
  // there had contents after all.
  if (folder && ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return SystemError(ERROR_DIR_NOT_EMPTY);
  return {};
}

FileRemoval DeleteFileWithRetry(const std::wstring& path, unsigned attempts, const RetryPause& pause,
                                bool mayWaitForRestart, std::error_code& error) {
  for (unsigned attempt = 0;; ++attempt) {
    error = DeleteThroughHandle(path, false);
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
  // The restart deletes by name, without a handle to check: only where the
  // caller knows the name cannot be redirected.
  if (!mayWaitForRestart) {
    error = removal_errc::restart_outside;
    return FileRemoval::Failed;
  }
  if (::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return FileRemoval::AtRestart;
  return FileRemoval::Failed;
}

}  // namespace qw
