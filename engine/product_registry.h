#pragma once
// Where an installation of the product is recorded in the registry, under
// HKEY_LOCAL_MACHINE: the maker's key with the product path value, and the
// uninstall entry of the system's list of installed programs.

#include <string>

#include "platform/maker_library.h"

namespace qw {

// "Software\Quillon Works".
inline std::wstring MakerKeyPath() { return std::wstring(L"Software\\") + kMakerName; }

// The value of the maker's key holding the installed main program's full
// path: the product key followed by " Path" ("Meridel 6 Path").
inline std::wstring ProductPathValueName(const std::wstring& productKey) { return productKey + L" Path"; }

// "Software\Microsoft\Windows\CurrentVersion\Uninstall\" + the product key.
inline std::wstring UninstallKeyPath(const std::wstring& productKey) {
  return L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + productKey;
}

}  // namespace qw
