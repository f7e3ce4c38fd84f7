#pragma once
// Where the installed main program is recorded in the registry, under
// HKEY_LOCAL_MACHINE: the product path value of the maker's key. (The
// uninstall entry's place is in engine/uninstall_key.h.)

#include <string>

#include "platform/maker_library.h"

namespace qw {

// "Software\Quillon Works".
inline std::wstring MakerKeyPath() { return std::wstring(L"Software\\") + kMakerName; }

// The value of the maker's key holding the installed main program's full
// path: the product key followed by " Path" ("Meridel 6 Path").
inline std::wstring ProductPathValueName(const std::wstring& productKey) { return productKey + L" Path"; }

}  // namespace qw
