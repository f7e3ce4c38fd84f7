#pragma once
// The first, purely textual test of InstallJournal::SamePath.

#include <string>

namespace qw {

// Both paths split into the same elements (drive or root, then each name
// between '\' or '/' separators), compared case-sensitively.
bool SamePathElements(const std::wstring& a, const std::wstring& b);

}  // namespace qw
