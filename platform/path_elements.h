#pragma once
// Windows paths as text: their elements, parent and last element, joining,
// the comparison of their elements, and whether a path is a full path on a
// drive or a share. '\' and '/' both separate, as they do for the system.
// Nothing here asks the file system: no path is made full, no "." or ".."
// is resolved, no short name is made long and no link is followed (see
// SamePath, engine/same_path.h, and the system's forms in
// engine/system_path_form.h). Plain C++, built in every tree.

#include <string>
#include <vector>

namespace qw {

bool IsPathSeparator(wchar_t c);

// The elements between separators: "C:\a//b\" gives "C:", "a", "b". A
// leading separator is an element of its own ("\"), so that a rooted path
// differs from a relative one; empty elements are left out otherwise.
std::vector<std::wstring> PathElements(const std::wstring& path);

// Whether the two are the same text or split into the same elements,
// compared case-sensitively ("C:\a\b" and "C:/a//b\" are).
bool SamePathElements(const std::wstring& a, const std::wstring& b);

// Whether two separators follow each other past the path's leading ones
// ("C:\a\\b", "\\server\\share"): an element left empty.
bool HasEmptyElement(const std::wstring& path);

// "X:\..." or "X:/...": a letter A to Z, a colon and a separator.
bool IsAbsoluteDrivePath(const std::wstring& path);

// "\\server\...": two separators and more after them.
bool IsSharePath(const std::wstring& path);

// Every prefix of `path` that ends an element after its first
// `rootLength` characters (its root, which the caller measures), the whole
// path last: "C:\a\\b\" past "C:\" gives "C:\a" and "C:\a\\b".
std::vector<std::wstring> PrefixesPastRoot(const std::wstring& path, std::size_t rootLength);

// The text before the last separator: "C:\a\b.txt" gives "C:\a", and so
// does "C:\a\", as with the shell's functions. A root keeps its separator
// ("C:\b.txt" gives "C:\", "\b.txt" gives "\"). Empty when `path` has
// no separator.
std::wstring ParentPath(const std::wstring& path);

// The text after the last separator ("b.txt" of "C:\a\b.txt"); the whole
// text when there is none.
std::wstring LastElement(const std::wstring& path);

// `folder` and `name` with one '\' between them; none is added when
// `folder` is empty or already ends with a separator.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

// `path` with every '/' turned into '\', the form the system gives a path
// and the only one the uninstaller accepts from its log.
std::wstring WithBackslashes(std::wstring path);

}  // namespace qw
