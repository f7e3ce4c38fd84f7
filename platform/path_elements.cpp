#include "platform/path_elements.h"

#include <algorithm>

namespace qw {

bool IsPathSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::vector<std::wstring> PathElements(const std::wstring& path) {
  std::vector<std::wstring> elements;
  if (!path.empty() && IsPathSeparator(path[0])) elements.emplace_back(L"\\");
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || IsPathSeparator(path[i])) {
      if (i > start) elements.push_back(path.substr(start, i - start));
      start = i + 1;
    }
  }
  return elements;
}

bool SamePathElements(const std::wstring& a, const std::wstring& b) {
  return a == b || PathElements(a) == PathElements(b);
}

bool HasEmptyElement(const std::wstring& path) {
  std::size_t i = 0;
  while (i < path.size() && IsPathSeparator(path[i])) ++i;
  for (; i + 1 < path.size(); ++i) {
    if (IsPathSeparator(path[i]) && IsPathSeparator(path[i + 1])) return true;
  }
  return false;
}

bool IsAbsoluteDrivePath(const std::wstring& path) {
  if (path.size() < 3 || path[1] != L':' || !IsPathSeparator(path[2])) return false;
  return (path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z');
}

bool IsSharePath(const std::wstring& path) {
  return path.size() > 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]);
}

std::vector<std::wstring> PrefixesPastRoot(const std::wstring& path, std::size_t rootLength) {
  std::vector<std::wstring> prefixes;
  for (std::size_t i = rootLength + 1; i <= path.size(); ++i) {
    const bool end = i == path.size() || IsPathSeparator(path[i]);
    if (end && !IsPathSeparator(path[i - 1])) prefixes.push_back(path.substr(0, i));
  }
  return prefixes;
}

std::wstring ParentPath(const std::wstring& path) {
  const std::size_t last = path.find_last_of(L"\\/");
  if (last == std::wstring::npos) return std::wstring();
  const bool root = last == 0 || (last == 2 && IsAbsoluteDrivePath(path));
  return path.substr(0, root ? last + 1 : last);
}

std::wstring LastElement(const std::wstring& path) {
  const std::size_t last = path.find_last_of(L"\\/");
  return last == std::wstring::npos ? path : path.substr(last + 1);
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty() || IsPathSeparator(folder.back())) return folder + name;
  return folder + L'\\' + name;
}

std::wstring WithBackslashes(std::wstring path) {
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

}  // namespace qw
