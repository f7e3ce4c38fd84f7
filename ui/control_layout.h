#pragma once
// Moving the edges of a dialog's controls, for the wizard's run-time layout
// (the frame fitting its pages, each page stretching its controls). Nothing
// is repainted: the callers lay out before the window is shown.

#include <windows.h>

namespace qw {

// Moves the edges of control `id` of `dialog` by the given amounts, in
// pixels; a missing control is ignored.
void MoveControlEdges(HWND dialog, int id, int left, int top, int right, int bottom);

// The common moves: right and bottom edges (a control that grows), and the
// right edge followed by a move down (a line that widens and follows the
// bottom).
inline void StretchControl(HWND dialog, int id, int dx, int dy) {
  MoveControlEdges(dialog, id, 0, 0, dx, dy);
}
inline void WidenAndLower(HWND dialog, int id, int dx, int dy) {
  MoveControlEdges(dialog, id, 0, dy, dx, dy);
}
inline void ShiftControl(HWND dialog, int id, int dx, int dy) {
  MoveControlEdges(dialog, id, dx, dy, dx, dy);
}

// The control's rectangle in its dialog's client coordinates.
RECT ControlRect(HWND dialog, int id);

}  // namespace qw
