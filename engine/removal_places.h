#pragma once
// Which paths of an uninstall log the uninstaller may touch. The places are
// decided from what the product is, never from what the log claims: the
// installation folder is the uninstaller's own folder, the data folders are
// where the product's payload sends its libraries and samples (known when
// the product is built), the shortcuts are the product's own names in a
// Start-menu folder or on a desktop. The log only chooses among the things
// such an installation can have made; anything else it names is refused.
// The checks read attributes and names; they change nothing. What a check
// accepted is deleted through a handle that is verified again
// (engine/file_removal.h), so a folder swapped afterwards is not followed.

#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

#include "engine/journal_entry.h"

namespace qw {

// One destination folder of the product's payload, as the archive writes
// it: the payload kind and a placeholder path ("<CommonData>\Quillon Works").
struct PayloadDestination {
  std::int32_t kind;
  const wchar_t* folder;
};

// What the uninstaller knows of its product, from which the places follow.
struct ProductPlaceFacts {
  // The uninstaller's own folder: the installation folder.
  std::wstring installFolder;
  // The log's start-menu folder; taken only where it lies inside one of the
  // Start-menu program folders.
  std::wstring startMenuFolder;
  std::vector<PayloadDestination> destinations;
  // The samples folder's name in each language (it is localised).
  std::vector<std::wstring> samplesFolderNames;
  // The file names the product's shortcuts can have, ".lnk" included.
  std::vector<std::wstring> shortcutNames;
};

struct RemovalPlaces {
  // Files of every payload kind may lie inside it (an earlier version may
  // have put its samples there), kinds 0 to 2 nowhere else; the only place
  // where a file in use is left to the restart.
  std::wstring installFolder;
  // Folders in which files of payload kinds 3 and 4 may lie besides.
  struct DataFolder {
    std::int32_t kind;
    std::wstring folder;
  };
  std::vector<DataFolder> dataFolders;
  // Folders a shortcut may lie directly in, and the names it may have.
  std::vector<std::wstring> shortcutFolders;
  std::vector<std::wstring> shortcutNames;
  // Every folder the installation puts something in: a Folder entry may
  // name one of them or a folder on the way to one.
  std::vector<std::wstring> destinations;
  // The system's own folders: never removed, nor any folder that holds one.
  std::vector<std::wstring> knownFolders;
  // Nothing inside these is ever touched (the Windows and system folders).
  std::vector<std::wstring> systemFolders;

  // The places of this machine for the product described by `facts`. A
  // folder that fails the rules itself (a drive root, a system folder, a
  // known folder) does not become a place.
  static RemovalPlaces ForProduct(const ProductPlaceFacts& facts);
  // The known and system folders of this machine alone; the caller adds
  // the places (tests use scratch folders).
  static RemovalPlaces SystemFoldersOnly();
};

// Why `entry` must not be touched, or an empty code when it may be. Checks
// an entry with a path whose kind names a place (EntryPlace in
// engine/journal_entry_rules.h) against the places of that sort; every
// other entry passes.
// Reads names and attributes; changes nothing.
std::error_code CheckRemovable(const JournalEntry& entry, const RemovalPlaces& places);

}  // namespace qw
