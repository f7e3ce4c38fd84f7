#include "ui/control_layout.h"

namespace qw {

RECT ControlRect(HWND dialog, int id) {
  RECT rect{};
  if (HWND control = ::GetDlgItem(dialog, id)) {
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  }
  return rect;
}

void MoveControlEdges(HWND dialog, int id, int left, int top, int right, int bottom) {
  HWND control = ::GetDlgItem(dialog, id);
  if (!control) return;
  const RECT r = ControlRect(dialog, id);
  ::MoveWindow(control, r.left + left, r.top + top, (r.right + right) - (r.left + left),
               (r.bottom + bottom) - (r.top + top), FALSE);
}

}  // namespace qw
