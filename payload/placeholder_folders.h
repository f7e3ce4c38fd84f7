#pragma once
// The three installation-specific folders that destination placeholders
// resolve to.

#include <string>

namespace qw {

struct PlaceholderFolders {
  std::wstring installFolder;
  std::wstring samplesFolder;    // a bare folder name (on the all-users desktop) or an absolute path
  std::wstring temporaryFolder;  // may be empty: "<Temporary>" then means installFolder
};

}  // namespace qw
