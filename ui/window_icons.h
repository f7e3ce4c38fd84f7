#pragma once
// A dialog's icons at the sizes the system asks for at its display scale:
// the window's big and small icons (title bar, task bar, Alt+Tab) and the
// picture of its icon control. The sizes come from GetSystemMetrics, which
// grows with the DPI of a DPI-aware process; the icon resource holds images
// of those sizes, so none is stretched.

#include <windows.h>

namespace qw {

// The dialog's first static control of type `type` (SS_ICON, SS_BITMAP...;
// the template gives picture controls no id), or null.
HWND FindStaticOfType(HWND dialog, DWORD type);

// Sends `window` icon `iconId` of `module` as its big (SM_CXICON) and small
// (SM_CXSMICON) icon. An icon that cannot be loaded is not sent.
void SetWindowIcons(HWND window, HMODULE module, int iconId);

// Shows icon `iconId` of `module` at SM_CXICON x SM_CYICON in the dialog's
// icon control, which takes that size. Nothing changes when the dialog has
// no icon control or the icon cannot be loaded.
void ShowIconAtSystemSize(HWND dialog, HMODULE module, int iconId);

}  // namespace qw
