// Provisional: nothing is installed, until the detection lands.
#include "engine/installation_detection.h"

namespace qw {

InstallationClassification ClassifyInstallation() { return {}; }
std::optional<std::wstring> FindUninstallLog() { return std::nullopt; }

}  // namespace qw
