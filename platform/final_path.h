#pragma once
// The path that the system gives for an open file or folder
// (GetFinalPathNameByHandleW, normalised, with its drive letter): where the
// handle really leads, links and all, for a check that what was opened is
// what was named.

#include <windows.h>

#include <string>

namespace qw {

// "C:\..." without the "\\?\" that the system puts in front; empty when
// the handle has no such path (another form of volume, a failure).
std::wstring FinalPath(HANDLE handle);

}  // namespace qw
