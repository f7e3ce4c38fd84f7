#pragma once
// Where the product's entry in the system's list of installed programs
// lives: the subkey named by the product key under this parent, below
// HKEY_LOCAL_MACHINE. Start-up reads "QwLanguage" there, detection reads
// it, the install sequence writes it and the uninstall log names it; all of
// them take the path from here.

#include <string>

namespace qw {

inline constexpr wchar_t kUninstallKeyParent[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The product's uninstall key, relative to HKEY_LOCAL_MACHINE.
inline std::wstring UninstallKeyPath(const std::wstring& productKey) {
  return std::wstring(kUninstallKeyParent) + L"\\" + productKey;
}

}  // namespace qw
