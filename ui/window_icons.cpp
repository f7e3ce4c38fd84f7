#include "ui/window_icons.h"

namespace qw {
namespace {

// Shared icons belong to the system's cache: nobody destroys them, and
// loading the same size again gives the same handle.
HICON LoadIconOfSize(HMODULE module, int iconId, int widthMetric, int heightMetric) {
  return static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                         ::GetSystemMetrics(widthMetric), ::GetSystemMetrics(heightMetric),
                                         LR_SHARED));
}

}  // namespace

HWND FindStaticOfType(HWND dialog, DWORD type) {
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t className[16] = {};
    ::GetClassNameW(child, className, 16);
    if (::lstrcmpiW(className, L"Static") != 0) continue;
    if ((static_cast<DWORD>(::GetWindowLongW(child, GWL_STYLE)) & SS_TYPEMASK) == type) return child;
  }
  return nullptr;
}

void SetWindowIcons(HWND window, HMODULE module, int iconId) {
  if (HICON bigIcon = LoadIconOfSize(module, iconId, SM_CXICON, SM_CYICON)) {
    ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
  }
  if (HICON smallIcon = LoadIconOfSize(module, iconId, SM_CXSMICON, SM_CYSMICON)) {
    ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
  }
}

void ShowIconAtSystemSize(HWND dialog, HMODULE module, int iconId) {
  HWND control = FindStaticOfType(dialog, SS_ICON);
  if (!control) return;
  if (HICON icon = LoadIconOfSize(module, iconId, SM_CXICON, SM_CYICON)) {
    ::SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  }
}

}  // namespace qw
