#pragma once
// How the uninstaller reads a path of an uninstall log before it trusts it:
// split into elements, compared element by element without regard to case,
// and accepted only in the one form the system itself gives it. A path that
// the system would read as another place (trailing dots or blanks, a short
// 8.3 name, an alternate data stream, a device name, "\\?\" forms, "." and
// ".." elements) is refused rather than normalised, so that every check
// sees exactly the place a deletion would reach. Nothing here changes the
// machine.

#include <string>
#include <system_error>
#include <vector>

namespace qw {

// The elements of a full path on a drive ("C:", then each name), or empty
// when `path` is not such a path or holds an empty element. '\' and '/'
// both separate.
std::vector<std::wstring> FullPathElements(const std::wstring& path);

// Whether `path` is `folder` or lies inside it (`strictly`: inside only),
// comparing elements without regard to case. False when either is not a
// full path on a drive.
bool IsSameOrInside(const std::wstring& path, const std::wstring& folder);
bool IsStrictlyInside(const std::wstring& path, const std::wstring& folder);
bool IsSamePath(const std::wstring& a, const std::wstring& b);

// Why `path` is not in the system's own form, or an empty code when it is:
// a full path on a drive whose elements are real names, which
// GetFullPathNameW gives back unchanged, and whose existing part carries
// long names only (GetLongPathNameW). Codes of the "removal" category.
std::error_code CheckPathForm(const std::wstring& path);

// The long form of an existing folder (GetLongPathNameW), or `path` itself
// when it does not exist or has no long form. For the uninstaller's own
// folder, which its caller may have named by a short name.
std::wstring LongFolderPath(const std::wstring& path);

}  // namespace qw
