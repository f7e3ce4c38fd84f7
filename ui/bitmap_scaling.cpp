#include "ui/bitmap_scaling.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace qw {
namespace {

// Top-down 24-bit DIB header of `width` x `height`.
BITMAPINFO Header24(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

int Stride24(int width) { return (width * 3 + 3) & ~3; }

// For each target index along one axis, the source pixels it covers and
// how much of each (weights summing to 1).
struct Span {
  int first = 0;
  std::vector<double> weights;
};

std::vector<Span> Spans(int sourceSize, int targetSize) {
  std::vector<Span> spans(static_cast<std::size_t>(targetSize));
  const double step = static_cast<double>(sourceSize) / targetSize;
  for (int t = 0; t < targetSize; ++t) {
    const double from = t * step, to = (t + 1) * step;
    Span& span = spans[static_cast<std::size_t>(t)];
    span.first = static_cast<int>(from);
    for (int s = span.first; s < sourceSize && s < to; ++s) {
      span.weights.push_back((std::min<double>(s + 1, to) - std::max<double>(s, from)) / step);
    }
  }
  return spans;
}

}  // namespace

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP shape{};
  if (!bitmap || !::GetObjectW(bitmap, sizeof shape, &shape)) return {0, 0};
  return {shape.bmWidth, std::abs(shape.bmHeight)};
}

UniqueBitmap ResampleBitmap(HBITMAP source, int width, int height) {
  const SIZE from = BitmapSize(source);
  if (from.cx <= 0 || from.cy <= 0 || width <= 0 || height <= 0) return UniqueBitmap();

  HDC screen = ::GetDC(nullptr);
  if (!screen) return UniqueBitmap();
  BITMAPINFO sourceInfo = Header24(from.cx, from.cy);
  const int sourceStride = Stride24(from.cx);
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(sourceStride) * from.cy);
  const bool read = ::GetDIBits(screen, source, 0, static_cast<UINT>(from.cy), pixels.data(), &sourceInfo,
                                DIB_RGB_COLORS) == from.cy;
  BITMAPINFO targetInfo = Header24(width, height);
  void* bits = nullptr;
  UniqueBitmap target(read ? ::CreateDIBSection(screen, &targetInfo, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr);
  ::ReleaseDC(nullptr, screen);
  if (!target || !bits) return UniqueBitmap();

  const std::vector<Span> columns = Spans(from.cx, width), rows = Spans(from.cy, height);
  const int targetStride = Stride24(width);
  auto* out = static_cast<std::uint8_t*>(bits);
  for (int y = 0; y < height; ++y) {
    const Span& row = rows[static_cast<std::size_t>(y)];
    for (int x = 0; x < width; ++x) {
      const Span& column = columns[static_cast<std::size_t>(x)];
      double sum[3] = {0, 0, 0};
      for (std::size_t j = 0; j < row.weights.size(); ++j) {
        const std::uint8_t* line = &pixels[static_cast<std::size_t>(row.first + static_cast<int>(j)) * sourceStride];
        for (std::size_t i = 0; i < column.weights.size(); ++i) {
          const double weight = row.weights[j] * column.weights[i];
          const std::uint8_t* pixel = line + (column.first + static_cast<int>(i)) * 3;
          for (int c = 0; c < 3; ++c) sum[c] += pixel[c] * weight;
        }
      }
      std::uint8_t* pixel = out + static_cast<std::size_t>(y) * targetStride + x * 3;
      for (int c = 0; c < 3; ++c) pixel[c] = static_cast<std::uint8_t>(std::clamp(sum[c] + 0.5, 0.0, 255.0));
    }
  }
  ::GdiFlush();
  return target;
}

}  // namespace qw
