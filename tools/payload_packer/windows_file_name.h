#pragma once
// Whether a file or folder name can be created on Windows as written: the
// packer runs on another system, so it must refuse names that would only
// fail, or name something else, on the machine being installed.

#include <string>

namespace qw {

// Empty when `name` (one path component) can be created on Windows;
// otherwise why not: a NUL or control character, one of <>:"|?*, a trailing
// dot or space, or a reserved device name (CON, PRN, AUX, NUL, COM1 to COM9,
// LPT1 to LPT9, in any letter case, also followed by an extension).
std::string WindowsFileNameFault(const std::wstring& name);

}  // namespace qw
