#include "platform/folder_path_rules.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwchar>

namespace qw {

namespace {

// Copies `s` into a path buffer; false when it does not fit.
bool CopyPath(wchar_t (&buffer)[MAX_PATH], const std::wstring& s) {
  if (s.size() >= MAX_PATH) return false;
  std::wmemcpy(buffer, s.c_str(), s.size() + 1);
  return true;
}

// True while the last component of `path` is not the whole string.
bool HasParentPart(const wchar_t* path) { return ::PathFindFileNameW(path) != path; }

}  // namespace

int EndsWith(const std::wstring& pathText, const std::wstring& suffixText) {
  wchar_t path[MAX_PATH], suffix[MAX_PATH];
  if (!CopyPath(path, pathText) || !CopyPath(suffix, suffixText)) return 0;
  ::PathRemoveBackslashW(path);
  ::PathRemoveBackslashW(suffix);
  int count = 1;
  while (HasParentPart(path)) {
    if (::lstrcmpiW(::PathFindFileNameW(path), ::PathFindFileNameW(suffix)) != 0) return 0;
    if (!HasParentPart(suffix)) return count;
    if (!::PathRemoveFileSpecW(path) || !::PathRemoveFileSpecW(suffix)) return 0;
    ::PathRemoveBackslashW(path);
    ::PathRemoveBackslashW(suffix);
    ++count;
  }
  return 0;
}

std::wstring AppendSuffix(const std::wstring& pathText, const std::wstring& suffixText) {
  if (suffixText.empty() || EndsWith(pathText, suffixText) != 0) return pathText;
  wchar_t leading[MAX_PATH];
  if (!CopyPath(leading, suffixText)) return pathText;
  ::PathRemoveBackslashW(leading);
  // The longest leading part of the suffix that the path already ends with.
  int matched = 0;
  while (HasParentPart(leading) && ::PathRemoveFileSpecW(leading)) {
    ::PathRemoveBackslashW(leading);
    if (leading[0] == L'\0') break;
    if ((matched = EndsWith(pathText, leading)) != 0) break;
  }
  const wchar_t* rest = suffixText.c_str();
  for (int i = 0; i < matched && *rest; ++i) rest = ::PathFindNextComponentW(rest);
  wchar_t path[MAX_PATH];
  if (!CopyPath(path, pathText) || !::PathAppendW(path, rest)) return pathText;
  return path;
}

std::wstring RemoveLastComponents(const std::wstring& pathText, int count) {
  wchar_t path[MAX_PATH];
  if (!CopyPath(path, pathText)) return pathText;
  ::PathRemoveBackslashW(path);
  for (int i = 0; i < count; ++i) {
    ::PathRemoveFileSpecW(path);
    ::PathRemoveBackslashW(path);
  }
  return path;
}

std::wstring RelativeToFolder(const std::wstring& path, const std::wstring& folder, bool& ok) {
  wchar_t relative[MAX_PATH] = {};
  ok = false;
  if (path.size() >= MAX_PATH || folder.size() >= MAX_PATH ||
      !::PathRelativePathToW(relative, folder.c_str(), FILE_ATTRIBUTE_DIRECTORY, path.c_str(),
                             FILE_ATTRIBUTE_DIRECTORY)) {
    return {};
  }
  ok = true;
  if (std::wcscmp(relative, L".") == 0) return {};
  wchar_t canonical[MAX_PATH] = {};
  if (!::PathCanonicalizeW(canonical, relative)) return relative;
  return canonical;
}

std::wstring CombineFolder(const std::wstring& folder, const std::wstring& relative) {
  wchar_t combined[MAX_PATH] = {};
  if (folder.size() >= MAX_PATH || relative.size() >= MAX_PATH ||
      !::PathCombineW(combined, folder.c_str(), relative.c_str())) {
    return std::wstring();
  }
  return combined;
}

bool IsValidPathText(const std::wstring& text) {
  for (wchar_t c : text) {
    const UINT type = ::PathGetCharTypeW(c);
    if (type == GCT_INVALID || (type & GCT_WILD)) return false;
  }
  return true;
}

}  // namespace qw
