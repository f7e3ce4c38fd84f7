#pragma once
// The window that owns the application's dialogs at the moment, as the
// shell's folder lookups and the folder browser give it to the system.

#include <windows.h>

namespace qw {

// The root owner of the active window (or, without one, of the first window
// of this thread whose root owner has a caption), then its last active
// pop-up. Null when the thread has no such window.
HWND ApplicationOwnerWindow();

}  // namespace qw
