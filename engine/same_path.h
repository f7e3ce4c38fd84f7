#pragma once
// Whether two paths name the same folder or file, as the journal's merge
// asks it: first by their elements as text (SamePathElements,
// platform/path_elements.h), then by the file system.

#include <string>

namespace qw {

// Equal elements; else, when both exist, the same object (volume, file
// index, size and last-write time); else, when neither exists, equal full
// paths (GetFullPathNameW) compared element by element ignoring case. One
// existing and the other not: false.
bool SamePath(const std::wstring& a, const std::wstring& b);

}  // namespace qw
