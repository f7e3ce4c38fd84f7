#include "engine/folder_containment.h"

#include "engine/system_path_form.h"
#include "platform/path_elements.h"
#include "platform/same_name.h"

namespace qw {
std::wstring NormalizedPath(const std::wstring& path) {
  std::wstring full = FullPathName(path);
  if (full.empty()) full = path;
  // The longest part that exists gets its long names; the rest follows as
  // written (it cannot have short names yet).
  std::size_t end = full.size();
  while (end > 2) {
    std::wstring part = full.substr(0, end);
    if (part.back() == L':') part += L'\\';  // the drive's root, not its current folder
    const std::wstring longPart = LongPathName(part);
    if (!longPart.empty()) {
      std::wstring rest = full.substr(end);
      if (IsPathSeparator(longPart.back()) && !rest.empty() && IsPathSeparator(rest.front())) rest.erase(0, 1);
      return longPart + rest;
    }
    const std::size_t separator = full.find_last_of(L"\\/", end - 1);
    if (separator == std::wstring::npos) break;
    end = separator;
  }
  return full;
}

bool IsWithinFolder(const std::wstring& path, const std::wstring& folder) {
  const std::vector<std::wstring> inner = PathElements(NormalizedPath(path));
  const std::vector<std::wstring> outer = PathElements(NormalizedPath(folder));
  if (outer.empty() || inner.size() < outer.size()) return false;
  for (std::size_t i = 0; i < outer.size(); ++i) {
    if (!SameName(inner[i], outer[i])) return false;
  }
  return true;
}

}  // namespace qw
