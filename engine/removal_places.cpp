#include "engine/removal_places.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include "engine/removal_error.h"

namespace qw {
namespace {

bool SameElement(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// Whether `inner` starts with all the elements of `outer`; `strict`
// demands at least one element more.
bool StartsWith(const std::vector<std::wstring>& inner, const std::vector<std::wstring>& outer,
                bool strict) {
  if (outer.empty() || inner.size() < outer.size() + (strict ? 1 : 0)) return false;
  return std::equal(outer.begin(), outer.end(), inner.begin(), SameElement);
}

bool IsStrictlyInside(const std::vector<std::wstring>& path, const std::wstring& folder) {
  return StartsWith(path, FullPathElements(folder), true);
}

bool IsSame(const std::vector<std::wstring>& path, const std::wstring& folder) {
  const auto elements = FullPathElements(folder);
  return !elements.empty() && path.size() == elements.size() && StartsWith(path, elements, false);
}

std::wstring KnownFolder(int csidl) {
  wchar_t buffer[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer))) return {};
  return buffer;
}

std::wstring WindowsFolder() {
  wchar_t buffer[MAX_PATH] = {};
  const UINT length = ::GetSystemWindowsDirectoryW(buffer, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(buffer, length) : std::wstring();
}

// A reparse point anywhere from the drive down to the path itself: what
// lies behind it is not where the log says.
bool BehindReparsePoint(const std::vector<std::wstring>& elements) {
  std::wstring prefix = elements.front();
  for (std::size_t i = 1; i < elements.size(); ++i) {
    prefix += L"\\" + elements[i];
    const DWORD attributes = ::GetFileAttributesW(prefix.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;  // nothing further exists
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
  }
  return false;
}

}  // namespace

std::vector<std::wstring> FullPathElements(const std::wstring& path) {
  if (path.size() < 3 || !iswalpha(path[0]) || path[1] != L':' || (path[2] != L'\\' && path[2] != L'/'))
    return {};
  std::vector<std::wstring> elements{path.substr(0, 2)};
  std::size_t start = 3;
  while (start < path.size()) {
    const std::size_t end = std::min(path.find_first_of(L"\\/", start), path.size());
    if (end == start) return {};  // an empty element ("C:\a\\b")
    elements.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return elements;
}

bool IsSameOrInside(const std::wstring& path, const std::wstring& folder) {
  return StartsWith(FullPathElements(path), FullPathElements(folder), false);
}

RemovalPlaces RemovalPlaces::ForThisMachine(const std::wstring& installFolder,
                                            const std::wstring& startMenuFolder) {
  RemovalPlaces places;
  const std::wstring windows = WindowsFolder();
  if (!windows.empty()) places.systemFolders.push_back(windows);
  const std::wstring system = KnownFolder(CSIDL_SYSTEM);
  if (!system.empty()) places.systemFolders.push_back(system);

  for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON,
                    CSIDL_COMMON_APPDATA, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_PROFILE,
                    CSIDL_COMMON_DOCUMENTS, CSIDL_PERSONAL, CSIDL_COMMON_DESKTOPDIRECTORY,
                    CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS,
                    CSIDL_COMMON_STARTMENU, CSIDL_STARTMENU}) {
    const std::wstring folder = KnownFolder(csidl);
    if (!folder.empty()) places.protectedFolders.push_back(folder);
  }
  // Where the placeholders of a payload lead (the system folders excepted).
  for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON,
                    CSIDL_COMMON_APPDATA, CSIDL_APPDATA, CSIDL_COMMON_DOCUMENTS, CSIDL_PERSONAL,
                    CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY}) {
    const std::wstring folder = KnownFolder(csidl);
    if (!folder.empty()) places.roots.push_back(folder);
  }
  for (const std::wstring* folder : {&installFolder, &startMenuFolder}) {
    // A header folder that is a drive root, a system folder or a protected
    // folder itself grants nothing.
    const auto elements = FullPathElements(*folder);
    if (elements.size() < 2) continue;
    bool refused = false;
    for (const auto& s : places.systemFolders) refused = refused || StartsWith(elements, FullPathElements(s), false);
    for (const auto& p : places.protectedFolders) refused = refused || IsSame(elements, p);
    if (refused) continue;
    places.roots.push_back(*folder);
    places.headerFolders.push_back(*folder);
  }
  return places;
}

std::error_code CheckRemovable(const JournalEntry& entry, const RemovalPlaces& places) {
  switch (entry.kind) {
    case JournalEntryKind::Folder:
    case JournalEntryKind::File:
    case JournalEntryKind::ProgramShortcut:
    case JournalEntryKind::UninstallShortcut:
    case JournalEntryKind::DesktopShortcut:
      break;
    default:
      return {};
  }
  if (entry.path.empty()) return {};
  if (entry.kind == JournalEntryKind::File && (entry.value < 0 || entry.value > 4))
    return removal_errc::not_recorded_kind;

  const std::vector<std::wstring> elements = FullPathElements(entry.path);
  if (elements.empty()) return removal_errc::relative_path;
  for (const std::wstring& element : elements) {
    if (element == L"." || element == L".." ) return removal_errc::dot_element;
    // Trailing dots and blanks vanish from Windows names: "..." and ". "
    // reach the same places as ".".
    if (element.find_first_not_of(L". ") == std::wstring::npos) return removal_errc::dot_element;
  }
  if (elements.size() == 1) return removal_errc::drive_root;
  for (const std::wstring& folder : places.systemFolders)
    if (StartsWith(elements, FullPathElements(folder), false)) return removal_errc::system_folder;
  for (const std::wstring& folder : places.protectedFolders)
    if (IsSame(elements, folder)) return removal_errc::protected_folder;

  bool inside = std::any_of(places.roots.begin(), places.roots.end(),
                            [&](const std::wstring& root) { return IsStrictlyInside(elements, root); });
  if (!inside && entry.kind == JournalEntryKind::Folder) {
    // The folders on the way to the installation's own: EnsureFolder
    // records every one it creates.
    inside = std::any_of(places.headerFolders.begin(), places.headerFolders.end(),
                         [&](const std::wstring& folder) {
                           return StartsWith(FullPathElements(folder), elements, false);
                         });
  }
  if (!inside) return removal_errc::outside_installation;
  if (BehindReparsePoint(elements)) return removal_errc::reparse_point;
  return {};
}

}  // namespace qw
