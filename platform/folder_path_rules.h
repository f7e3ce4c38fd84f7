#pragma once
// The path rules of the folder browser, apart from its dialog: how a
// suffix of folder names is matched, appended and removed, and how a path
// is made relative to a folder. Built on the shell's path functions with
// their 260-character buffers; every function is pure.

#include <string>

namespace qw {

// The number of components of `suffix` when they equal (ignoring case) the
// last components of `path` and `path` has at least one more component in
// front of them; otherwise 0 (also when either does not fit 260
// characters). Trailing backslashes are ignored.
int EndsWith(const std::wstring& path, const std::wstring& suffix);

// `path` with `suffix` appended, without doubling the leading components
// of `suffix` that `path` already ends with. Returns `path` unchanged when
// the suffix is empty, already there, or cannot be appended.
std::wstring AppendSuffix(const std::wstring& path, const std::wstring& suffix);

// `path` without its last `count` components (and a trailing backslash).
std::wstring RemoveLastComponents(const std::wstring& path, int count);

// `path` relative to `folder` (both taken as folders), canonicalised;
// "." becomes the empty text. `ok` is false when no relative path can be
// formed (for example on another drive); the result is then empty.
std::wstring RelativeToFolder(const std::wstring& path, const std::wstring& folder, bool& ok);

// `relative` joined to `folder` (PathCombineW, which also takes a full path
// as it is and resolves "." and ".."); an empty `relative` gives `folder`.
// Empty when the result would not fit 260 characters.
std::wstring CombineFolder(const std::wstring& folder, const std::wstring& relative);

// True when every character is valid in a path (no wildcard or invalid
// character).
bool IsValidPathText(const std::wstring& text);

}  // namespace qw
