#pragma once
// The banner of the wizard's left band at the screen's display scale. The
// resources hold the picture drawn at 100, 125, 150 and 200 % (bitmaps 137
// to 140, all of the same proportions). The frame shows the picture at the
// size of the screen's DPI: the one drawn for that DPI as it is, or, for a
// DPI in between, the next larger one reduced to it. A band that the dialog
// font made smaller than that (the font does not grow exactly with the DPI)
// gets the picture reduced to fit it, in its own proportions.

#include <windows.h>

#include "platform/handles.h"

namespace qw {

// The size of a picture drawn `drawn` for `drawnDpi` at `dpi`, reduced in
// its own proportions to fit `band` when larger.
SIZE BannerSize(SIZE drawn, int drawnDpi, int dpi, SIZE band);

// The banner bitmap drawn for `dpi`, or the next larger one: 137 at 96 DPI
// and below, 138 up to 120, 139 up to 144, 140 above.
int BannerResourceFor(int dpi);

// The banner of `module` for `dpi` in `band`. Null when that is the 100 %
// picture at its own size (the dialog template already shows it), or when
// no picture could be loaded or resampled.
UniqueBitmap LoadBannerForBand(HMODULE module, int dpi, SIZE band);

}  // namespace qw
