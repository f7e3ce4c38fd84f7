// The handle owners: a kernel handle that failed as null or as
// INVALID_HANDLE_VALUE is no handle, and closing one on the way out of an
// error path leaves the thread's last error of the call that failed.

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/handles.h"

namespace qw {
namespace {

// An owner whose close itself sets a last error, as CloseHandle does when
// it fails.
struct ErrorSettingTraits {
  using Handle = int;
  static Handle Invalid() { return 0; }
  static void Close(Handle) { ::SetLastError(ERROR_ACCESS_DENIED); }
};

TEST(ScopedHandle, KernelHandleFailuresOfBothKindsAreNoHandle) {
  EXPECT_FALSE(UniqueHandle(nullptr));
  EXPECT_FALSE(UniqueHandle(INVALID_HANDLE_VALUE));
  UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  EXPECT_TRUE(event);
}

TEST(ScopedHandle, ClosingKeepsTheLastError) {
  {
    ScopedHandle<ErrorSettingTraits> owner(7);
    ::SetLastError(ERROR_FILE_NOT_FOUND);
  }
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  ScopedHandle<ErrorSettingTraits> replaced(7);
  ::SetLastError(ERROR_PATH_NOT_FOUND);
  replaced.reset(8);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(replaced.get(), 8);
}

}  // namespace
}  // namespace qw
