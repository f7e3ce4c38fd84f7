#include "engine/temporary_cleanup.h"

#include <windows.h>

namespace qw {

TemporaryCleanup::~TemporaryCleanup() {
  for (const std::wstring& file : files_) {
    ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(file.c_str());
  }
  if (!folder_.empty()) ::RemoveDirectoryW(folder_.c_str());
}

}  // namespace qw
