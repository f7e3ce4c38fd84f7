#pragma once
// Detection of an existing installation of the product.

#include <optional>
#include <string>

#include "engine/installed_state.h"

namespace qw {

struct InstallationClassification {
  InstalledState state = InstalledState::NotInstalled;
  std::wstring installedVersion;  // display name, for Older and Newer only
};

InstallationClassification ClassifyInstallation();

// Path of the previous installation's uninstall log, when there is one.
std::optional<std::wstring> FindUninstallLog();

}  // namespace qw
