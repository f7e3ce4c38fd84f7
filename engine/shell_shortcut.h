#pragma once
// One shell shortcut (".lnk" file) written through the shell link object:
// the target path and its folder as working folder, nothing else. It does
// not create folders and does not journal; the shortcut step does both.

#include <optional>
#include <string>

namespace qw {

// Writes `folder`\`displayName`.lnk (the target's file name without its
// extension when no name is given), replacing a file of that name, and
// returns its path. Returns nothing, and writes no file, when the target
// has no folder part, the shortcut's path would exceed 259 characters, COM
// cannot be initialised on this thread, or the shell link cannot be made
// or saved.
std::optional<std::wstring> CreateShellShortcut(const std::wstring& targetPath, const std::wstring& folder,
                                                const std::optional<std::wstring>& displayName = std::nullopt);

}  // namespace qw
