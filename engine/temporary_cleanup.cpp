#include "engine/temporary_cleanup.h"

#include <windows.h>

namespace qw {
namespace {

// Written and read on the user-interface thread only.
TemporaryCleanup* g_active = nullptr;

}  // namespace

TemporaryCleanup::TemporaryCleanup(std::wstring folder)
    : folder_(std::move(folder)), previous_(g_active) {
  g_active = this;
}

TemporaryCleanup::~TemporaryCleanup() {
  g_active = previous_;
  for (const std::wstring& file : files_) {
    ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(file.c_str());
  }
  if (!folder_.empty()) ::RemoveDirectoryW(folder_.c_str());
}

TemporaryCleanup* TemporaryCleanup::Active() { return g_active; }

}  // namespace qw
