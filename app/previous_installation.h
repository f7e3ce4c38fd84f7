#pragma once
// Start-up's take-over of a previous installation: its uninstall log goes
// into the journal, and its folders become the proposed folders.

#include <functional>
#include <optional>
#include <string>

#include "app/install_context.h"

namespace qw {

// For SameVersion and OlderVersion: asks `findLog` for the previous log and,
// when there is one, loads it and copies the previous installation folder
// and start-menu folder into the context (either may be empty when the
// folder no longer exists). Otherwise the journal is loaded with no log.
void TakeOverPreviousInstallation(InstallContext& context,
                                  const std::function<std::optional<std::wstring>()>& findLog);

}  // namespace qw
