#include "build_tree.h"

#include <windows.h>

#include <map>
#include <mutex>
#include <string>

namespace qw::test {
namespace {

// The build tree: the program's folder or the nearest above it that holds
// CMakeCache.txt; empty when there is none (the program was moved out of
// its tree), and every path then names nothing.
std::wstring FindBuildTree() {
  std::wstring folder(MAX_PATH, L'\0');
  folder.resize(::GetModuleFileNameW(nullptr, folder.data(), static_cast<DWORD>(folder.size())));
  for (std::size_t slash = folder.find_last_of(L"\\/"); slash != std::wstring::npos;
       slash = folder.find_last_of(L"\\/")) {
    folder.resize(slash);
    if (::GetFileAttributesW((folder + L"\\CMakeCache.txt").c_str()) != INVALID_FILE_ATTRIBUTES) return folder;
  }
  return std::wstring();
}

// Paths handed out, kept for the life of the process.
const wchar_t* Kept(std::wstring path) {
  static std::mutex guard;
  static std::map<std::wstring, std::wstring> kept;
  const std::lock_guard<std::mutex> lock(guard);
  const std::wstring key = path;
  return kept.emplace(key, std::move(path)).first->second.c_str();
}

}  // namespace

const wchar_t* InBuildTree(const wchar_t* relative) {
  static const std::wstring tree = FindBuildTree();
  return Kept(tree + L"\\" + relative);
}

const wchar_t* InSourceTree(const wchar_t* relative) {
  // QW_SOURCE_FROM_BUILD: the source tree as seen from the build tree
  // ("..\\.."), taken out of the path so that it reads as the tree's own.
  const std::wstring path = std::wstring(InBuildTree(QW_SOURCE_FROM_BUILD)) + L"\\" + relative;
  std::wstring full(32768, L'\0');
  full.resize(::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr));
  return Kept(full.empty() ? path : full);
}

}  // namespace qw::test
