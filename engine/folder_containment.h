#pragma once
// Whether one path names a folder or lies inside it, as the system sees the
// paths: made full (GetFullPathNameW: relative parts, "." and "..",
// trailing dots and blanks), with long names for the part that exists
// (GetLongPathNameW: short 8.3 names), then compared element by element,
// ignoring case. Not a security boundary by itself: links and junctions are
// not followed.

#include <string>

namespace qw {

// `path` made full with long names; the text as given when the system
// cannot make it full (too long, invalid).
std::wstring NormalizedPath(const std::wstring& path);

// True when `path` is `folder` or lies inside it.
bool IsWithinFolder(const std::wstring& path, const std::wstring& folder);

}  // namespace qw
