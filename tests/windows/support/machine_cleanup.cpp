#include "machine_cleanup.h"

#include <windows.h>

namespace qw::test {

std::vector<std::wstring> SnapshotRoots() {
  std::vector<std::wstring> roots{L"C:\\"};
  if (::GetFileAttributesW(L"Q:\\") != INVALID_FILE_ATTRIBUTES) roots.push_back(L"Q:\\");
  return roots;
}

ScopedMachineCleanup::ScopedMachineCleanup() : before_(TakeMachineSnapshot(SnapshotRoots())) {}

ScopedMachineCleanup::~ScopedMachineCleanup() {
  RemoveAdditions(before_, TakeMachineSnapshot(SnapshotRoots()), ComparisonExclusions());
}

}  // namespace qw::test
