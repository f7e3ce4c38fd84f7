#pragma once
// The file operations the system keeps for the next restart
// (HKLM\System\CurrentControlSet\Control\Session Manager
// "PendingFileRenameOperations"), as the tests read and tidy them. Test
// support only.

#include <optional>
#include <string>
#include <vector>

namespace qw::test {

// One operation: `source` renamed to `target`, or deleted when `target` is
// empty. The names as the system keeps them ("\??\C:\...").
struct PendingRename {
  std::wstring source;
  std::wstring target;
};

// The operations in the order the restart carries them out; nothing when
// the list cannot be read (an empty list when there is none).
std::optional<std::vector<PendingRename>> PendingRenames();

// Where the deletion of `path` (a plain path) stands in the list; nothing
// when the list holds none.
std::optional<std::size_t> PendingDeletionIndex(const std::vector<PendingRename>& renames, const std::wstring& path);

// Takes the operations on anything under `folder` out of the system's
// list, so that no test finds another's.
void ForgetPendingRenamesUnder(const std::wstring& folder);

}  // namespace qw::test
