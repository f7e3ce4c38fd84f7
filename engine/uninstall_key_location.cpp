#include "engine/uninstall_key_location.h"

#include <shlwapi.h>

#include "engine/uninstall_key.h"
#include "platform/system_error.h"

namespace qw {

UninstallKeyLocation UninstallKeyLocation::ForProduct(const std::wstring& productKey) {
  return {HKEY_LOCAL_MACHINE, kUninstallKeyParent, productKey};
}

std::wstring UninstallKeyLocation::Text() const { return L"HKEY_LOCAL_MACHINE\\" + parentPath + L"\\" + name; }

std::error_code DeleteUninstallKey(const UninstallKeyLocation& location) {
  // Without a name the parent itself, with every product's entry, would go.
  if (location.name.empty()) return SystemError(ERROR_INVALID_NAME);
  const LSTATUS status = ::SHDeleteKeyW(location.root, (location.parentPath + L"\\" + location.name).c_str());
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return {};
  return SystemError(static_cast<DWORD>(status));
}

}  // namespace qw
