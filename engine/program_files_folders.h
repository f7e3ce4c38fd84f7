#pragma once
// The Program Files folders of this system, where folder security is left
// as the system set it: both Program Files folders and both of their
// Common Files folders, as the shell names them to this process, and on a
// 64-bit system the 64-bit Program Files folder as the registry's 64-bit
// view names it (a 32-bit process is shown only the x86 one).

#include <string>
#include <vector>

namespace qw {

// The folders that could be named; never an empty path.
std::vector<std::wstring> ProgramFilesFolders();

// Whether `path` is one of ProgramFilesFolders() or lies inside one
// (IsWithinFolder, folder_containment.h).
bool IsInsideProgramFiles(const std::wstring& path);

}  // namespace qw
