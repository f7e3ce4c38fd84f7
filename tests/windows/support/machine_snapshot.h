#pragma once
// The state of the test machine that an installation can change: every
// file and folder under the given roots (path, size, content hash,
// attributes) and every key and value below HKEY_LOCAL_MACHINE\Software and
// HKEY_CURRENT_USER\Software. Two snapshots compare to the list of what
// differs, leaving out a named list of places that the system changes by
// itself. A snapshot can also undo what was added since (new files,
// folders, keys and values), so that a test that installs leaves the
// prefix as it found it. Test support.

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "registry_snapshot.h"

namespace qw::test {

// A place left out of the comparison, with the reason it may change.
struct SnapshotExclusion {
  std::wstring prefix;  // "C:\\..." or "HKLM\\Software\\...", compared ignoring case
  const char* reason;
};

// What a no-op run of the installer under Wine changes by itself.
const std::vector<SnapshotExclusion>& WineExclusions();

// WineExclusions and the scratch places of the tests that CTest runs beside
// an installation test (their folders and files in the temporary folder,
// their "Qw" keys under HKCU and HKLM\Software): what a comparison and a
// clean-up leave alone. The installer writes to none of them.
const std::vector<SnapshotExclusion>& ComparisonExclusions();

struct MachineSnapshot {
  // Upper-cased path -> "size hash attributes" ("<dir>" for folders) with
  // the path as written.
  SnapshotItems files;
  // Upper-cased "HKLM\\Software\\...\\[value]" -> type and data in hex.
  SnapshotItems registry;
};

// Reads the file trees below `roots` (for example L"C:\\") and the two
// Software keys. Unreadable files show as "<unreadable>". A file whose
// stamp is that of a hash remembered from an earlier snapshot (of this or
// another test process, file_hash_cache.h) is not read again.
MachineSnapshot TakeMachineSnapshot(const std::vector<std::wstring>& roots);

// One line per difference ("added", "removed", "changed" and the path),
// leaving out every path under an exclusion.
std::vector<std::wstring> Differences(const MachineSnapshot& before, const MachineSnapshot& after,
                                      const std::vector<SnapshotExclusion>& exclusions);

// Deletes what `now` holds and `before` did not (files, then folders
// deepest first; values, then keys deepest first), except under the
// exclusions. Changed items stay.
void RemoveAdditions(const MachineSnapshot& before, const MachineSnapshot& now,
                     const std::vector<SnapshotExclusion>& exclusions);

}  // namespace qw::test
