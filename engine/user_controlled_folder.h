#pragma once
// The folders whose owners decide whether an installation may go on, and
// the first of them that an ordinary user controls. An elevated
// installation that put the product's programs (or data the programs
// trust) into a folder owned by an ordinary user would hand that user the
// programs an administrator later starts: the folder's owner can always
// rename it, redirect it or change its access list.

#include <string>
#include <vector>

#include "payload/folder_placeholder.h"
#include "payload/placeholder_folders.h"

namespace qw {

// The installation folder and every folder on its way below the drive or
// share root; then, for each destination of the archive (placeholder form,
// as `destinations` lists them), the folders from below the placeholder's
// base folder down to the destination: "<CommonData>\Quillon Works\Meridel 6"
// gives "<CommonData>\Quillon Works" and "<CommonData>\Quillon Works\Meridel 6"
// resolved, not the system's own CommonData folder. The samples folder
// itself ("<SamplePath>") is one of them. "<Temporary>" destinations (a
// new folder of the run in the user's own temporary folder), relative
// destinations and destinations whose base cannot be named are left out.
// Each folder once, in that order.
std::vector<std::wstring> FoldersToVouchFor(const std::wstring& installFolder,
                                            const std::vector<std::wstring>& destinations,
                                            const PlaceholderFolders& folders,
                                            const SpecialFolderLookup& lookup);

// The first of `folders` that exists and whose owner is not trusted
// (FileOwnerIsTrusted, platform/folder_owner.h); empty when there is none.
// Missing folders are the installation's to create.
std::wstring FirstUserControlledFolder(const std::vector<std::wstring>& folders);

}  // namespace qw
