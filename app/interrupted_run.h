#pragma once
// Start-up's look for an installation that an earlier run left half done
// (killed, crashed, the power lost): with the application lock held and
// before the existing installation is classified, the run record of that
// run is undone (engine/interrupted_installation.h) and the user told so in
// one message.

#include "platform/application_lock.h"

namespace qw {

// Undoes an interrupted installation of the product, if there is one, and
// shows the message: undone, or partly undone with what was left. Silent
// when there was none, when the run that wrote the record still goes on,
// and when the run had finished (only its leftovers are cleared).
void UndoInterruptedInstallation(ApplicationLock& appLock);

}  // namespace qw
