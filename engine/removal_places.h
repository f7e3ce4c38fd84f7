#pragma once
// Which paths of an uninstall log the uninstaller may touch. An
// installation writes only below a few places (its installation and
// start-menu folders, the maker's data folders, the desktops, the document
// folders, Program Files) and creates only the folders on the way to them;
// a log entry naming anything else was not made by an installation and is
// refused. It is a filter on paths and the attributes on their way, not a
// security boundary against a process that races the uninstaller.

#include <string>
#include <system_error>
#include <vector>

#include "engine/journal_entry.h"

namespace qw {

struct RemovalPlaces {
  // Files and shortcuts must lie strictly inside one of these.
  std::vector<std::wstring> roots;
  // Folders that an entry may name only as an ancestor of: the
  // installation and start-menu folders of the log's header.
  std::vector<std::wstring> headerFolders;
  // Never touched themselves (their contents may be): drive roots are
  // always refused, these in addition (Program Files, common data, ...).
  std::vector<std::wstring> protectedFolders;
  // Never touched, neither themselves nor anything inside them.
  std::vector<std::wstring> systemFolders;

  // The places of this machine for a log whose header names
  // `installFolder` and `startMenuFolder` (either may be empty). A header
  // folder that fails the rules itself (a drive root, the Windows folder)
  // does not become a place.
  static RemovalPlaces ForThisMachine(const std::wstring& installFolder,
                                      const std::wstring& startMenuFolder);
};

// Why `entry` must not be touched, or an empty code when it may be. Checks
// only Folder, File and shortcut entries with a path; every other entry
// passes. Reads attributes on the way to find reparse points; changes
// nothing.
std::error_code CheckRemovable(const JournalEntry& entry, const RemovalPlaces& places);

// The elements of a full path ("C:", then each name), or empty when
// `path` is not a full path on a drive. '\' and '/' both separate.
std::vector<std::wstring> FullPathElements(const std::wstring& path);

// Whether `path` is `folder` or lies inside it, comparing elements without
// regard to case.
bool IsSameOrInside(const std::wstring& path, const std::wstring& folder);

}  // namespace qw
