// The banner's choice for a DPI and its reduction, in process: which drawn
// picture serves a DPI, the size it is shown at (also where the band is
// smaller), and the area filter's averages worked out by hand.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <vector>

#include "build_tree.h"
#include "platform/handles.h"
#include "ui/banner_picture.h"
#include "ui/bitmap_scaling.h"
#include "ui/resource_ids.h"

namespace qw {
namespace {

// A 24-bit top-down bitmap of `width` x `height` from 0x00RRGGBB values.
UniqueBitmap MakeBitmap(int width, int height, const std::vector<std::uint32_t>& colours) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) return bitmap;
  const int stride = (width * 3 + 3) & ~3;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t c = colours[static_cast<std::size_t>(y) * width + x];
      auto* pixel = static_cast<std::uint8_t*>(bits) + y * stride + x * 3;
      pixel[0] = c & 0xFF;
      pixel[1] = (c >> 8) & 0xFF;
      pixel[2] = (c >> 16) & 0xFF;
    }
  }
  return bitmap;
}

// The pixels of `bitmap` as 0x00RRGGBB, row after row from the top.
std::vector<std::uint32_t> Pixels(HBITMAP bitmap) {
  const SIZE size = BitmapSize(bitmap);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size.cx;
  info.bmiHeader.biHeight = -size.cy;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size.cx) * size.cy);
  HDC screen = ::GetDC(nullptr);
  ::GetDIBits(screen, bitmap, 0, static_cast<UINT>(size.cy), pixels.data(), &info, DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, screen);
  for (auto& pixel : pixels) pixel &= 0xFFFFFF;
  return pixels;
}

TEST(BannerPicture, EachDpiTakesThePictureDrawnForItOrTheNextLarger) {
  EXPECT_EQ(BannerResourceFor(72), IDB_BANNER);
  EXPECT_EQ(BannerResourceFor(96), IDB_BANNER);
  EXPECT_EQ(BannerResourceFor(97), IDB_BANNER_125);
  EXPECT_EQ(BannerResourceFor(120), IDB_BANNER_125);
  EXPECT_EQ(BannerResourceFor(121), IDB_BANNER_150);
  EXPECT_EQ(BannerResourceFor(144), IDB_BANNER_150);
  EXPECT_EQ(BannerResourceFor(168), IDB_BANNER_200);
  EXPECT_EQ(BannerResourceFor(192), IDB_BANNER_200);
  EXPECT_EQ(BannerResourceFor(288), IDB_BANNER_200);
}

TEST(BannerPicture, ShownAtTheDpisSizeOrAsLargeAsASmallerBandAllows) {
  const SIZE large{1000, 1000};
  const SIZE at168 = BannerSize({252, 544}, 192, 168, large);  // 7/8 of the 200 % picture
  EXPECT_EQ(at168.cx, 221);
  EXPECT_EQ(at168.cy, 476);
  const SIZE own = BannerSize({189, 408}, 144, 144, large);
  EXPECT_EQ(own.cx, 189);
  EXPECT_EQ(own.cy, 408);
  const SIZE narrow = BannerSize({252, 544}, 192, 192, {126, 1000});  // half as wide
  EXPECT_EQ(narrow.cx, 126);
  EXPECT_EQ(narrow.cy, 272);
  const SIZE low = BannerSize({252, 544}, 192, 192, {1000, 136});  // a quarter as high
  EXPECT_EQ(low.cx, 63);
  EXPECT_EQ(low.cy, 136);
}

TEST(BannerPicture, TheInstallersPicturesForABand) {
  UniqueModule installer(::LoadLibraryExW(QW_TEST_INSTALLER, nullptr,
                                          LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  ASSERT_TRUE(installer) << ::GetLastError();
  // At 96 DPI the template's picture stays.
  EXPECT_FALSE(LoadBannerForBand(installer.get(), 96, {147, 302}));
  const SIZE at144 = BitmapSize(LoadBannerForBand(installer.get(), 144, {210, 442}).get());
  EXPECT_EQ(at144.cx, 189);
  EXPECT_EQ(at144.cy, 408);
  const SIZE at168 = BitmapSize(LoadBannerForBand(installer.get(), 168, {240, 520}).get());
  EXPECT_EQ(at168.cx, 221);
  EXPECT_EQ(at168.cy, 476);
}

TEST(BitmapScaling, EachPixelIsTheAverageOfTheAreaItCovers) {
  // One row 0, 90, 180 (grey levels) reduced to two pixels: the first
  // covers 1.5 source pixels (0 and half of 90), the second the rest.
  const UniqueBitmap row = MakeBitmap(3, 1, {0x000000, 0x5A5A5A, 0xB4B4B4});
  const UniqueBitmap reduced = ResampleBitmap(row.get(), 2, 1);
  ASSERT_TRUE(reduced);
  EXPECT_EQ(Pixels(reduced.get()), (std::vector<std::uint32_t>{0x1E1E1E, 0x969696}));

  // Red above blue, halved both ways: one purple pixel.
  const UniqueBitmap square = MakeBitmap(2, 2, {0xFF0000, 0xFF0000, 0x0000FF, 0x0000FF});
  const UniqueBitmap one = ResampleBitmap(square.get(), 1, 1);
  ASSERT_TRUE(one);
  EXPECT_EQ(Pixels(one.get()), (std::vector<std::uint32_t>{0x800080}));
}

TEST(BitmapScaling, AnEvenColourStaysEvenAtAnUnevenRatio) {
  const std::vector<std::uint32_t> sky(252 * 20, 0xDBEDFC);
  const UniqueBitmap band = MakeBitmap(252, 20, sky);
  const UniqueBitmap reduced = ResampleBitmap(band.get(), 221, 17);
  ASSERT_TRUE(reduced);
  const std::vector<std::uint32_t> pixels = Pixels(reduced.get());
  ASSERT_EQ(pixels.size(), 221u * 17u);
  for (std::uint32_t pixel : pixels) ASSERT_EQ(pixel, 0xDBEDFCu);
  EXPECT_FALSE(ResampleBitmap(band.get(), 0, 17));
  EXPECT_FALSE(ResampleBitmap(nullptr, 10, 10));
}

}  // namespace
}  // namespace qw
