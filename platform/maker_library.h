#pragma once
// The one-time initialisation of the maker's library and the process-wide
// records it keeps: the user's Documents folder, the maker's common and
// roaming data folders, and the application id that names the shared
// kernel objects.

#include <string>
#include <system_error>

#include "platform/product_facts.h"  // kMakerName, which names the folders

namespace qw {

struct MakerFolders {
  std::wstring documents;       // the user's Documents folder
  std::wstring commonData;      // common application data + "\Quillon Works"
  std::wstring roamingData;     // roaming application data + "\Quillon Works"
};

// Computes the folders, checks and registers the common controls, reads the
// application id and registers this process with the instance counter.
// Runs once; later calls return the first result. A failed folder lookup or
// a too old common-controls library is reported as an error code.
std::error_code InitializeMakerLibrary();

// Valid after a successful InitializeMakerLibrary.
const MakerFolders& MakerLibraryFolders();
const std::wstring& ApplicationId();

}  // namespace qw
