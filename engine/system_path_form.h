#pragma once
// The forms the system itself gives a path: full (GetFullPathNameW, which
// resolves relative parts, "." and "..", and drops trailing dots and
// blanks) and long (GetLongPathNameW, which replaces 8.3 short names of
// what exists). Each returns an empty string when the system cannot give
// that form; callers decide what stands in for it.

#include <string>

namespace qw {

std::wstring FullPathName(const std::wstring& path);

// Only for a path that exists.
std::wstring LongPathName(const std::wstring& path);

}  // namespace qw
