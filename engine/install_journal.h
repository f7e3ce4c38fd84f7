#pragma once
// The install journal: every change an installation makes, recorded before
// it is made, so that a failed installation can be undone.

#include <optional>
#include <string>

namespace qw {

class InstallJournal {
 public:
  // Loads the previous installation's uninstall log, or starts empty when
  // there is none. Keeps the previous folders only when they still exist.
  void LoadPreviousLog(const std::optional<std::wstring>& logPath);

  const std::wstring& PreviousInstallFolder() const { return previousInstallFolder_; }
  const std::wstring& PreviousStartMenuFolder() const { return previousStartMenuFolder_; }

 private:
  std::wstring previousInstallFolder_;
  std::wstring previousStartMenuFolder_;
};

}  // namespace qw
