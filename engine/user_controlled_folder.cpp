#include "engine/user_controlled_folder.h"

#include <windows.h>
#include <shlwapi.h>

#include <boost/filesystem/path.hpp>

#include "engine/folder_containment.h"
#include "payload/wide_path.h"
#include "platform/folder_owner.h"
#include "platform/path_elements.h"
#include "platform/same_name.h"

namespace qw {
namespace {

void AddOnce(std::vector<std::wstring>& list, const std::wstring& folder) {
  const std::vector<std::wstring> elements = PathElements(folder);
  for (const std::wstring& known : list) {
    const std::vector<std::wstring> knownElements = PathElements(known);
    if (knownElements.size() != elements.size()) continue;
    bool same = true;
    for (std::size_t i = 0; same && i < elements.size(); ++i) {
      same = SameName(knownElements[i], elements[i]);
    }
    if (same) return;
  }
  list.push_back(folder);
}

// Every prefix of `path` that ends an element after its root, `path` last:
// "C:\a\b" gives "C:\a" and "C:\a\b".
void AddFoldersBelowRoot(std::vector<std::wstring>& list, const std::wstring& path) {
  if (path.empty() || path.size() >= MAX_PATH) return;
  const wchar_t* afterRoot = ::PathSkipRootW(path.c_str());
  if (!afterRoot) return;  // relative: no folder of its own to name
  const std::size_t rootLength = static_cast<std::size_t>(afterRoot - path.c_str());
  for (const std::wstring& prefix : PrefixesPastRoot(path, rootLength)) AddOnce(list, prefix);
}

}  // namespace

std::vector<std::wstring> FoldersToVouchFor(const std::wstring& installFolder,
                                            const std::vector<std::wstring>& destinations,
                                            const PlaceholderFolders& folders,
                                            const SpecialFolderLookup& lookup) {
  std::vector<std::wstring> list;
  AddFoldersBelowRoot(list, installFolder);
  for (const std::wstring& destination : destinations) {
    const std::vector<std::wstring> components = SplitPlaceholderPath(destination);
    if (components.empty() || !IsPlaceholderToken(components.front())) continue;
    const std::wstring& token = components.front();
    if (token == PlaceholderToken(FolderPlaceholder::Temporary)) continue;
    boost::filesystem::path folder;
    try {
      folder = ResolvePlaceholder(token, folders, lookup);
    } catch (...) {
      continue;  // the extraction fails on it before writing anything
    }
    if (folder.empty() || !folder.is_absolute()) continue;
    if (token == PlaceholderToken(FolderPlaceholder::SamplePath)) AddOnce(list, PathText(folder));
    for (std::size_t i = 1; i < components.size(); ++i) {
      folder /= WidePath(components[i]);
      AddOnce(list, PathText(folder));
    }
  }
  return list;
}

std::wstring FirstUserControlledFolder(const std::vector<std::wstring>& folders) {
  for (const std::wstring& folder : folders) {
    if (!::PathIsDirectoryW(folder.c_str())) continue;
    if (!FileOwnerIsTrusted(folder)) return folder;
  }
  return {};
}

}  // namespace qw
