#pragma once
// Resolution of destination folders written in placeholder form, such as
// "<CommonData>\Quillon Works\Meridel 6": a first component in angle
// brackets names a base folder, the rest is appended to it. Only the first
// component can be a token; any other path comes back unchanged. Folders are
// neither tested nor created here.

#include <boost/filesystem/path.hpp>

#include <functional>
#include <string>
#include <vector>

#include "payload/placeholder_folders.h"

namespace qw {

// The tokens, in the order they are compared.
enum class FolderPlaceholder {
  InstallPath, SamplePath, ProgramFiles, ProgramCommon, CommonData, UserData,
  CommonDocuments, Documents, CommonDesktop, Desktop, WinDir, System, Temporary,
};

// "<InstallPath>" and so on.
const wchar_t* PlaceholderToken(FolderPlaceholder placeholder);

// True when `component` is one of the tokens, spelled exactly.
bool IsPlaceholderToken(const std::wstring& component);

// The components of `path` as the resolver sees them: "\" and "/" separate,
// empty components are dropped, and a leading drive such as "C:" is a
// component of its own.
std::vector<std::wstring> SplitPlaceholderPath(const std::wstring& path);

// A special-folder lookup by CSIDL; empty when the folder is unknown.
using SpecialFolderLookup = std::function<std::wstring(int csidl)>;

// The concrete path `placeholderPath` stands for. Throws the "compress"
// error unexpected_error when a special folder it needs (and its fallback)
// cannot be determined. An angle-bracket component that is no token gives
// the remaining components alone.
boost::filesystem::path ResolvePlaceholder(const std::wstring& placeholderPath,
                                           const PlaceholderFolders& folders,
                                           const SpecialFolderLookup& lookup);
// The same with this system's special folders.
boost::filesystem::path ResolvePlaceholder(const std::wstring& placeholderPath,
                                           const PlaceholderFolders& folders);

}  // namespace qw
