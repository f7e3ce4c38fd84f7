#pragma once
// Resampling a picture to another size for the screen: each target pixel is
// the average of the source area it covers, weighted by how much of each
// source pixel lies inside (a box filter of exact coverage). Going down that
// is what a good reduction does; going up it keeps edges crisp with one
// blended pixel between neighbours. It does not pretend to be an image
// library: 24-bit colour in, 24-bit colour out, no alpha.

#include <windows.h>

#include "platform/handles.h"

namespace qw {

// `source` (any bitmap a screen DC can read) resampled to `width` x
// `height` as a 24-bit DIB section. Null when the source cannot be read,
// a size is not positive, or the new bitmap cannot be made; `source` is
// left untouched either way.
UniqueBitmap ResampleBitmap(HBITMAP source, int width, int height);

// The width and height of `bitmap`; {0, 0} when it cannot be read.
SIZE BitmapSize(HBITMAP bitmap);

}  // namespace qw
