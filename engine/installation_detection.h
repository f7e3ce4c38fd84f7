#pragma once
// Detection of an existing installation of the product from the records
// earlier installations leave: the product path value under the maker's
// key, the uninstall entry and the uninstall log. Nothing here writes;
// every missing or unreadable record reads as "no installation" (or "no
// version known"), never as an error.

#include <cstdint>
#include <optional>
#include <string>

#include "engine/installed_state.h"

namespace qw {

struct InstallationClassification {
  InstalledState state = InstalledState::NotInstalled;
  std::wstring installedVersion;  // display name, for Older and Newer only
};

// The installed main program's full path from the product path value, when
// that names an existing file or folder; otherwise empty (registry errors
// included). Looked up on the first call of the process and cached: later
// calls return the first answer whatever `productKey` they pass.
std::wstring FindInstalledProgram(const std::wstring& productKey);

// The same lookup, uncached.
std::wstring ReadInstalledProgram(const std::wstring& productKey);

// How the program at `program` (empty: none) compares with the release
// being installed: NotInstalled without a program, SameVersion when its
// version resource has no fixed version, else by the 64-bit file version.
InstallationClassification ClassifyProgram(const std::wstring& program,
                                           std::uint64_t releaseFileVersion);

// ClassifyProgram of FindInstalledProgram(productKey).
InstallationClassification ClassifyInstallation(const std::wstring& productKey,
                                                std::uint64_t releaseFileVersion);

// The previous installation's "Uninstall.ulog": the first that exists of
// the one beside the uninstaller named by the uninstall entry's
// "UninstallString" (taken as a plain path), the one beside this
// executable, and the one beside the installed program. nullopt when none
// exists. A registry error while reading the uninstall entry counts as a
// missing entry.
std::optional<std::wstring> FindUninstallLog(const std::wstring& productKey);

}  // namespace qw
