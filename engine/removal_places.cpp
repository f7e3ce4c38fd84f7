#include "engine/removal_places.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include "engine/journal_entry_rules.h"
#include "engine/removal_error.h"
#include "engine/removal_path.h"
#include "payload/folder_placeholder.h"
#include "payload/payload_kind.h"
#include "platform/path_elements.h"
#include "platform/same_name.h"

namespace qw {
namespace {

std::wstring KnownFolder(int csidl) {
  wchar_t buffer[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer))) return {};
  return LongFolderPath(buffer);
}

std::wstring WindowsFolder() {
  wchar_t buffer[MAX_PATH] = {};
  const UINT length = ::GetSystemWindowsDirectoryW(buffer, MAX_PATH);
  return length > 0 && length < MAX_PATH ? LongFolderPath(std::wstring(buffer, length)) : std::wstring();
}

bool AnyHolds(const std::vector<std::wstring>& folders, const std::wstring& path, bool strictly) {
  return std::any_of(folders.begin(), folders.end(), [&](const std::wstring& folder) {
    return strictly ? IsStrictlyInside(path, folder) : IsSameOrInside(path, folder);
  });
}

// A folder an installation may own: a real folder below a drive root that
// is neither a system folder nor inside one, and holds no known folder.
bool MayBeOwnFolder(const std::wstring& folder, const RemovalPlaces& places) {
  if (CheckPathForm(folder) || FullPathElements(folder).size() < 2) return false;
  if (AnyHolds(places.systemFolders, folder, false)) return false;
  return std::none_of(places.knownFolders.begin(), places.knownFolders.end(),
                      [&](const std::wstring& known) { return IsSameOrInside(known, folder); });
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

std::error_code CheckFile(const JournalEntry& entry, const RemovalPlaces& places) {
  if (entry.value < 0 || entry.value > static_cast<std::int32_t>(PayloadKind::Sample))
    return removal_errc::not_recorded_kind;
  // The installation folder is the product's own: an earlier version may
  // have put files of any kind there.
  if (IsStrictlyInside(entry.path, places.installFolder)) return {};
  if (entry.value <= static_cast<std::int32_t>(PayloadKind::Uninstaller)) return removal_errc::not_its_place;
  const bool inItsFolder =
      std::any_of(places.dataFolders.begin(), places.dataFolders.end(), [&](const RemovalPlaces::DataFolder& d) {
        return d.kind == entry.value && IsStrictlyInside(entry.path, d.folder);
      });
  return inItsFolder ? std::error_code() : removal_errc::not_its_place;
}

std::error_code CheckShortcut(const JournalEntry& entry, const RemovalPlaces& places) {
  const std::wstring parent = ParentPath(entry.path);
  const bool inItsFolder = std::any_of(places.shortcutFolders.begin(), places.shortcutFolders.end(),
                                       [&](const std::wstring& folder) { return IsSamePath(parent, folder); });
  const std::wstring name = LastElement(entry.path);
  const bool itsName = std::any_of(places.shortcutNames.begin(), places.shortcutNames.end(),
                                   [&](const std::wstring& known) { return SameName(name, known); });
  return inItsFolder && itsName ? std::error_code() : removal_errc::not_a_shortcut;
}

std::error_code CheckFolder(const JournalEntry& entry, const RemovalPlaces& places) {
  if (std::any_of(places.knownFolders.begin(), places.knownFolders.end(),
                  [&](const std::wstring& known) { return IsSameOrInside(known, entry.path); }))
    return removal_errc::protected_folder;
  // Inside the installation folder (older versions had other subfolders),
  // or one of the installation's destinations or a folder on the way to
  // one: EnsureFolder records every folder it creates.
  const bool onTheWay = IsStrictlyInside(entry.path, places.installFolder) ||
                        std::any_of(places.destinations.begin(), places.destinations.end(),
                                    [&](const std::wstring& d) { return IsSameOrInside(d, entry.path); });
  return onTheWay ? std::error_code() : removal_errc::outside_installation;
}

}  // namespace

RemovalPlaces RemovalPlaces::SystemFoldersOnly() {
  RemovalPlaces places;
  const std::wstring windows = WindowsFolder();
  if (!windows.empty()) places.systemFolders.push_back(windows);
  const std::wstring system = KnownFolder(CSIDL_SYSTEM);
  if (!system.empty()) places.systemFolders.push_back(system);
  places.knownFolders = places.systemFolders;
  for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON,
                    CSIDL_PROGRAM_FILES_COMMONX86, CSIDL_COMMON_APPDATA, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA,
                    CSIDL_PROFILE, CSIDL_COMMON_DOCUMENTS, CSIDL_PERSONAL, CSIDL_COMMON_DESKTOPDIRECTORY,
                    CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS, CSIDL_COMMON_STARTMENU,
                    CSIDL_STARTMENU, CSIDL_COMMON_STARTUP, CSIDL_STARTUP, CSIDL_COMMON_MUSIC,
                    CSIDL_COMMON_PICTURES, CSIDL_COMMON_VIDEO, CSIDL_MYMUSIC, CSIDL_MYPICTURES, CSIDL_MYVIDEO,
                    CSIDL_FONTS, CSIDL_COMMON_TEMPLATES, CSIDL_TEMPLATES, CSIDL_FAVORITES,
                    CSIDL_INTERNET_CACHE, CSIDL_COOKIES, CSIDL_HISTORY}) {
    const std::wstring folder = KnownFolder(csidl);
    if (!folder.empty()) places.knownFolders.push_back(folder);
  }
  wchar_t temporary[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, temporary);
  if (length > 3 && length <= MAX_PATH) places.knownFolders.push_back(LongFolderPath(std::wstring(temporary, length - 1)));
  return places;
}

RemovalPlaces RemovalPlaces::ForProduct(const ProductPlaceFacts& facts) {
  RemovalPlaces places = SystemFoldersOnly();
  const std::wstring install = LongFolderPath(facts.installFolder);
  if (MayBeOwnFolder(install, places)) {
    places.installFolder = install;
    places.destinations.push_back(install);
  }

  std::vector<std::wstring> samplesNames = facts.samplesFolderNames;
  if (samplesNames.empty()) samplesNames.emplace_back();
  for (const PayloadDestination& destination : facts.destinations) {
    if (destination.kind != static_cast<std::int32_t>(PayloadKind::UserData) &&
        destination.kind != static_cast<std::int32_t>(PayloadKind::Sample))
      continue;  // kinds 0 to 2 belong to the installation folder, kind 5 is never recorded
    // Only the samples folder's name changes with the language.
    const bool perLanguage = std::wstring(destination.folder).rfind(L"<SamplePath>", 0) == 0;
    for (const std::wstring& samples : perLanguage ? samplesNames : std::vector<std::wstring>{std::wstring()}) {
      PlaceholderFolders folders;
      folders.installFolder = places.installFolder;
      folders.samplesFolder = samples;
      std::wstring resolved;
      try {
        resolved = ResolvePlaceholder(destination.folder, folders).wstring();
      } catch (...) {
        continue;  // a special folder this machine cannot name: no place there
      }
      if (!MayBeOwnFolder(resolved, places)) continue;
      places.dataFolders.push_back({destination.kind, resolved});
      places.destinations.push_back(resolved);
    }
  }

  for (int csidl : {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY}) {
    const std::wstring desktop = KnownFolder(csidl);
    if (!desktop.empty()) places.shortcutFolders.push_back(desktop);
  }
  const std::wstring startMenu = facts.startMenuFolder;
  bool inPrograms = false;
  for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
    const std::wstring programs = KnownFolder(csidl);
    inPrograms = inPrograms || (!programs.empty() && IsStrictlyInside(startMenu, programs));
  }
  if (inPrograms && MayBeOwnFolder(startMenu, places)) {
    places.shortcutFolders.push_back(startMenu);
    places.destinations.push_back(startMenu);
  }
  places.shortcutNames = facts.shortcutNames;
  return places;
}

std::error_code CheckRemovable(const JournalEntry& entry, const RemovalPlaces& places) {
  const EntryPlace place = RulesOf(entry.kind).place;
  if (place == EntryPlace::None || entry.path.empty()) return {};
  if (place == EntryPlace::PayloadFile && (entry.value < 0 || entry.value > 4))
    return removal_errc::not_recorded_kind;

  if (const std::error_code form = CheckPathForm(entry.path)) return form;
  const std::vector<std::wstring> elements = FullPathElements(entry.path);
  if (elements.size() == 1) return removal_errc::drive_root;
  if (AnyHolds(places.systemFolders, entry.path, false)) return removal_errc::system_folder;

  std::error_code why;
  switch (place) {
    case EntryPlace::Folder: why = CheckFolder(entry, places); break;
    case EntryPlace::PayloadFile: why = CheckFile(entry, places); break;
    case EntryPlace::Shortcut: why = CheckShortcut(entry, places); break;
    case EntryPlace::None: break;
  }
  if (why) return why;
  if (BehindReparsePoint(elements)) return removal_errc::reparse_point;
  return {};
}

}  // namespace qw
