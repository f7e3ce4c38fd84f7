#pragma once
// Finds the dialogs of another process and drives them the way a user
// would: reads their texts and presses their buttons. Every wait has a
// time-out, so a test that goes wrong fails instead of hanging. Test
// support; the installer's wizard has a robot of its own built on this.

#include <windows.h>

#include <string>
#include <vector>

namespace qw::test {

inline constexpr DWORD kWindowTimeoutMs = 20000;

// The visible top-level dialogs (class "#32770") of process `processId`.
std::vector<HWND> VisibleDialogs(DWORD processId);

// Whether `window` is of the dialog class "#32770".
bool IsDialogClass(HWND window);
// Whether `dialog` is a system message box (it has the message's static).
bool IsMessageBox(HWND dialog);

// The first visible message box of the process, or null after `timeoutMs`.
HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs = kWindowTimeoutMs);

// The first visible dialog of the process that is not a message box (the
// wizard), or null after `timeoutMs`.
HWND WaitForWizard(DWORD processId, DWORD timeoutMs = kWindowTimeoutMs);

// Whether `window` was destroyed within `timeoutMs`.
bool WaitForWindowGone(HWND window, DWORD timeoutMs = kWindowTimeoutMs);

// Sends `message` to a window of any process; 0 when it does not answer
// within a few seconds (a hung window fails the test instead of hanging it).
LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// The text of a window of any process; empty when it has none or hangs.
std::wstring WindowText(HWND window);
// The message of a message box.
std::wstring MessageBoxText(HWND box);

// Whether the dialog has a button with the control id `id`.
bool HasButton(HWND dialog, int id);
// Clicks the button `id` of the dialog (BM_CLICK). False when it has none.
bool PressButton(HWND dialog, int id);

}  // namespace qw::test
