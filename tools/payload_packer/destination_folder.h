#pragma once
// The packer's rules for an entry's destination folder: it must resolve,
// with the installer's own resolver, under one of the placeholder folders,
// and every name in it must be one Windows can create. Also the key under
// which two entries land in the same file.

#include <string>

namespace qw {

// Throws std::runtime_error (one line, no line number) unless `destination`
// starts with a known token, spelled exactly and with nothing before it,
// and every further component is neither "." nor ".." and passes
// WindowsFileNameFault.
void CheckDestinationFolder(const std::wstring& destination);

// The file `destination` and `fileName` name on Windows, as a key two
// entries share exactly when they would write the same file: the token,
// then the folder names with "\" and "/" alike and empty and "."
// components dropped, then the file name, all but the token in lower case.
std::wstring InstalledFileKey(const std::wstring& destination, const std::wstring& fileName);

}  // namespace qw
