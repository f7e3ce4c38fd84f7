#include "payload/special_folder.h"

#include <windows.h>
#include <shlobj.h>

namespace qw {
namespace {

BOOL CALLBACK FindCaptionedWindow(HWND window, LPARAM result) {
  if ((::GetWindowLongPtrW(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION) {
    *reinterpret_cast<HWND*>(result) = window;
    return FALSE;
  }
  return TRUE;
}

// The window that owns the application's dialogs at the moment, as a
// message box would pick it; null when the thread has no window.
HWND CurrentOwnerWindow() {
  HWND window = ::GetActiveWindow();
  if (window) {
    window = ::GetAncestor(window, GA_ROOTOWNER);
  } else {
    ::EnumThreadWindows(::GetCurrentThreadId(), FindCaptionedWindow,
                        reinterpret_cast<LPARAM>(&window));
  }
  return window ? ::GetLastActivePopup(window) : nullptr;
}

}  // namespace

std::wstring SpecialFolderPath(int csidl) {
  wchar_t buffer[MAX_PATH] = {};
  // The result code is not trusted on its own: some shells answer S_OK with
  // an empty path for folders a system does not have.
  ::SHGetFolderPathW(CurrentOwnerWindow(), csidl, nullptr, SHGFP_TYPE_CURRENT, buffer);
  buffer[MAX_PATH - 1] = L'\0';
  return buffer;
}

}  // namespace qw
