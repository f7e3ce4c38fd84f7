#pragma once
// The temporary files of one install run: its temporary folder and the
// setup files extracted into it, deleted when the run ends whatever its
// outcome. While a run is active one instance is the process's active one,
// so that the extraction can add the files it writes there.

#include <string>
#include <vector>

namespace qw {

class TemporaryCleanup {
 public:
  // Becomes the active instance.
  explicit TemporaryCleanup(std::wstring folder);
  // Stops being the active one and deletes every listed file, then the
  // folder (kept when something else is still in it). Errors are ignored:
  // there is nobody left to tell.
  ~TemporaryCleanup();
  TemporaryCleanup(const TemporaryCleanup&) = delete;
  TemporaryCleanup& operator=(const TemporaryCleanup&) = delete;

  void AddFile(const std::wstring& path) { files_.push_back(path); }
  const std::wstring& folder() const { return folder_; }
  const std::vector<std::wstring>& files() const { return files_; }

  // The instance of the run in progress, or null between runs.
  static TemporaryCleanup* Active();

 private:
  std::wstring folder_;
  std::vector<std::wstring> files_;
  TemporaryCleanup* previous_;
};

}  // namespace qw
