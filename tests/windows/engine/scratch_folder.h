#pragma once
// Test scaffolding: a folder of its own under the temporary folder, removed
// with everything in it (read-only files included) at the end of the test;
// and small file helpers.

#include <windows.h>

#include <string>

namespace qw::test {

class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& name);
  ~ScratchFolder();
  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }

 private:
  std::wstring path_;
};

// Creates the file's folders and the file with `content` (bytes as given).
void WriteTestFile(const std::wstring& path, const std::string& content, DWORD attributes = 0);
std::string ReadTestFile(const std::wstring& path);
bool Exists(const std::wstring& path);
void RemoveTree(const std::wstring& path);

}  // namespace qw::test
