#include "ui/banner_picture.h"

#include <iterator>
#include <utility>

#include "ui/bitmap_scaling.h"
#include "ui/resource_ids.h"

namespace qw {
namespace {

struct DrawnBanner {
  int dpi;
  int resource;
};
// Smallest first.
constexpr DrawnBanner kBanners[] = {
    {96, IDB_BANNER}, {120, IDB_BANNER_125}, {144, IDB_BANNER_150}, {192, IDB_BANNER_200}};

// The picture drawn for `dpi` or the next larger one; the largest above it.
const DrawnBanner& BannerFor(int dpi) {
  const DrawnBanner* banner = std::begin(kBanners);
  while (std::next(banner) != std::end(kBanners) && banner->dpi < dpi) ++banner;
  return *banner;
}

}  // namespace

SIZE BannerSize(SIZE drawn, int drawnDpi, int dpi, SIZE band) {
  if (drawn.cx <= 0 || drawn.cy <= 0 || drawnDpi <= 0 || dpi <= 0) return {0, 0};
  SIZE size{::MulDiv(drawn.cx, dpi, drawnDpi), ::MulDiv(drawn.cy, dpi, drawnDpi)};
  if (band.cx > 0 && size.cx > band.cx) size = {band.cx, ::MulDiv(size.cy, band.cx, size.cx)};
  if (band.cy > 0 && size.cy > band.cy) size = {::MulDiv(size.cx, band.cy, size.cy), band.cy};
  return size;
}

int BannerResourceFor(int dpi) { return BannerFor(dpi).resource; }

UniqueBitmap LoadBannerForBand(HMODULE module, int dpi, SIZE band) {
  const DrawnBanner& banner = BannerFor(dpi);
  UniqueBitmap picture(static_cast<HBITMAP>(
      ::LoadImageW(module, MAKEINTRESOURCEW(banner.resource), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  const SIZE drawn = BitmapSize(picture.get());
  const SIZE size = BannerSize(drawn, banner.dpi, dpi, band);
  if (size.cx <= 0 || size.cy <= 0) return UniqueBitmap();
  if (size.cx == drawn.cx && size.cy == drawn.cy) {
    return banner.resource == IDB_BANNER ? UniqueBitmap() : std::move(picture);
  }
  return ResampleBitmap(picture.get(), size.cx, size.cy);
}

}  // namespace qw
