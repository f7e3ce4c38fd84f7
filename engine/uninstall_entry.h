#pragma once
// The product's entry in the system's list of installed programs: the key
// named by the product key under the Uninstall key, with its twelve values,
// journaled so that a rollback deletes a key it created and restores one
// that existed.

#include <windows.h>

#include <string>
#include <system_error>

#include "engine/install_journal.h"
#include "engine/product_names.h"

namespace qw {

struct UninstallEntryValues {
  ProductNames product;
  std::wstring programPath;      // "DisplayIcon" is this followed by ",0"
  std::wstring uninstallerPath;  // "UninstallString", without quotes
  DWORD language = 0;            // "QwLanguage": the language chosen in the wizard
};

// Opens the parent key of `location` and creates or opens the product's
// subkey, records it in `journal` (with the key when it existed, so that
// the journal saves it first) and writes the values in order. Returns empty
// when "DisplayName" and "UninstallString" were written (failures of the
// other values do not count), otherwise the system's error for the first
// of them that failed. When the parent or the subkey cannot be opened,
// returns the system's error with nothing recorded and nothing changed. A
// failed value leaves the values already written and the entry completed
// as not done.
[[nodiscard]] std::error_code WriteUninstallEntry(const UninstallEntryValues& values,
                                                  const UninstallKeyLocation& location, InstallJournal& journal);

}  // namespace qw
