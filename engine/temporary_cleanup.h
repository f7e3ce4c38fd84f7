#pragma once
// The temporary files of one install run: its temporary folder and the
// setup files extracted into it, deleted when the run ends whatever its
// outcome. The install sequence holds the one instance of its run and hands
// it to the extraction, which adds the files it writes there.

#include <string>
#include <utility>
#include <vector>

namespace qw {

class TemporaryCleanup {
 public:
  explicit TemporaryCleanup(std::wstring folder) : folder_(std::move(folder)) {}
  // Deletes every listed file, then the folder (kept when something else
  // is still in it). Errors are ignored: there is nobody left to tell.
  ~TemporaryCleanup();
  TemporaryCleanup(const TemporaryCleanup&) = delete;
  TemporaryCleanup& operator=(const TemporaryCleanup&) = delete;

  void AddFile(const std::wstring& path) { files_.push_back(path); }
  const std::wstring& folder() const { return folder_; }
  const std::vector<std::wstring>& files() const { return files_; }

 private:
  std::wstring folder_;
  std::vector<std::wstring> files_;
};

}  // namespace qw
