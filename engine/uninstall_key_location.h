#pragma once
// Where the product's uninstall key is, and its deletion: the one place
// that deletes it, for the rollback of a failed installation, the recovery
// of an interrupted one and the uninstaller's removal.

#include <windows.h>

#include <string>
#include <system_error>

namespace qw {

// The product's subkey `name` of `root`\`parentPath`. The installer and the
// uninstaller use the product's entry under HKEY_LOCAL_MACHINE; tests give
// a key of their own.
struct UninstallKeyLocation {
  HKEY root = HKEY_LOCAL_MACHINE;
  std::wstring parentPath;
  std::wstring name;

  // The uninstall key of the product named `productKey`.
  static UninstallKeyLocation ForProduct(const std::wstring& productKey);
  // "HKEY_LOCAL_MACHINE\<parent>\<name>", as reports name the key.
  std::wstring Text() const;
};

// Deletes the key at `location` with all its subkeys and values. Empty when
// it is gone or was not there; otherwise the system's error, and whatever
// could not be deleted stays.
std::error_code DeleteUninstallKey(const UninstallKeyLocation& location);

}  // namespace qw
