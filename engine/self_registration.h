#pragma once
// The installed program's own registration run ("/Register /Background"),
// after which the installer tells the shell that file associations may
// have changed.
//
// This build's program has nothing to register yet: the run is not
// started, nothing is journaled, and it counts as successful.

#include <string>

#include "engine/install_journal.h"
#include "platform/application_lock.h"

namespace qw {

// Returns whether the program registered itself. Never makes the
// installation fail. Leaves `appLock` held as it found it.
bool RunSelfRegistration(const std::wstring& programPath, ApplicationLock& appLock, InstallJournal& journal);

}  // namespace qw
