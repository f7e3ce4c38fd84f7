#pragma once
// Puts the test machine back after a test that installs for real: snapshots
// the prefix's files and the Software keys when made, and removes whatever
// was added since when destroyed (what changed stays). Test support.

#include "machine_snapshot.h"

namespace qw::test {

// The roots of the file snapshot: drive C: of the prefix, and Q: (the
// small disk) when it exists.
std::vector<std::wstring> SnapshotRoots();

class ScopedMachineCleanup {
 public:
  ScopedMachineCleanup();
  ~ScopedMachineCleanup();
  ScopedMachineCleanup(const ScopedMachineCleanup&) = delete;
  ScopedMachineCleanup& operator=(const ScopedMachineCleanup&) = delete;

  const MachineSnapshot& before() const { return before_; }

 private:
  MachineSnapshot before_;
};

}  // namespace qw::test
