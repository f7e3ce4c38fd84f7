#pragma once
// The file behind a loaded module and the bare name of a file: what the
// application name, the application id and the common-controls check take
// from the executable and from comctl32. Read-only; nothing is cached.

#include <windows.h>

#include <string>

namespace qw {

// The full path of `module` (null: the executable), however long; empty
// when the system cannot tell.
std::wstring ModuleFilePath(HMODULE module);

// `path` without its folder and its extension ("C:\a\Install.exe" gives
// "Install"); both "\" and "/" separate folders.
std::wstring FileBaseName(const std::wstring& path);

}  // namespace qw
