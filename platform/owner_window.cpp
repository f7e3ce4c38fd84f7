#include "platform/owner_window.h"

namespace qw {
namespace {

BOOL CALLBACK FindCaptionedRootOwner(HWND window, LPARAM found) {
  HWND root = ::GetAncestor(window, GA_ROOTOWNER);
  if (!root || !(::GetWindowLongW(root, GWL_STYLE) & WS_CAPTION)) return TRUE;
  *reinterpret_cast<HWND*>(found) = root;
  return FALSE;
}

}  // namespace

HWND ApplicationOwnerWindow() {
  HWND owner = ::GetActiveWindow();
  if (owner) owner = ::GetAncestor(owner, GA_ROOTOWNER);
  if (!owner) {
    ::EnumThreadWindows(::GetCurrentThreadId(), FindCaptionedRootOwner,
                        reinterpret_cast<LPARAM>(&owner));
  }
  return owner ? ::GetLastActivePopup(owner) : nullptr;
}

}  // namespace qw
