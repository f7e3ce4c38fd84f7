#pragma once
// The screen's display scale as the wizard's pictures see it: the DPI that
// the system gives this DPI-aware process, and sizes of the 96-DPI design
// scaled to it. Dialog templates scale with their font on their own; the
// pictures (banner, flags, icons) use these.

#include <windows.h>

namespace qw {

// The DPI every picture of the wizard is designed for (100 %).
constexpr int kDesignDpi = 96;

// GetDeviceCaps(LOGPIXELSX) of the screen; kDesignDpi when the screen's
// device context cannot be had.
int ScreenDpi();

// `size` pixels at 96 DPI in pixels at `dpi`, rounded to the nearest pixel
// (MulDiv: 18 at 120 DPI is 23).
inline int ScaleToDpi(int size, int dpi) { return ::MulDiv(size, dpi, kDesignDpi); }

}  // namespace qw
