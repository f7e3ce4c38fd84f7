#pragma once
// Whether two names are the same to the file system: ordinal, without
// regard to case (CompareStringOrdinal), the whole text of each compared,
// as NTFS compares the names of a folder's entries. Not linguistic: "ß"
// and "SS" differ.

#include <string>

namespace qw {

bool SameName(const std::wstring& a, const std::wstring& b);

}  // namespace qw
