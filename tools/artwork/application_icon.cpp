// Draws the application icon of the installer: an isometric block in the
// product's blue, lit from the upper left, with a wireframe edge that hints
// at a 3D design tool. Written as a multi-size .ico (32-bit images with
// alpha, 16 to 256 pixels) so that windows, the shell and the About box
// find an image of their size at 100, 125, 150 and 200 % display scale:
// 16 20 24 32 for small icons, 32 40 48 64 for large ones, 96 128 256 for
// the shell's large views.
//
//   application_icon OUTPUT.ico

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <vector>

#include "output_file.h"
#include "raster.h"

namespace {

using artwork::Color;
using artwork::Point;
using artwork::DistanceToSegment;
using artwork::Inside;
using artwork::Lerp;
using artwork::Mix;

// The picture in a unit square (0..1, y down).
Color Sample(Point p, double pixel) {
  const Point top{0.5, 0.06}, left{0.08, 0.30}, right{0.92, 0.30}, centre{0.5, 0.54};
  const Point bottom{0.5, 0.96}, leftLow{0.08, 0.72}, rightLow{0.92, 0.72};
  Color c{0, 0, 0, 0};
  const Color lightTop{0.55, 0.80, 0.98, 1}, darkTop{0.30, 0.62, 0.92, 1};
  const Color leftFace{0.10, 0.36, 0.72, 1}, rightFace{0.05, 0.22, 0.50, 1};
  if (Inside({top, right, centre, left}, p)) c = Lerp(lightTop, darkTop, (p.y - 0.06) / 0.48);
  else if (Inside({left, centre, bottom, leftLow}, p)) c = Lerp(leftFace, rightFace, (p.y - 0.3) / 1.2);
  else if (Inside({centre, right, rightLow, bottom}, p)) c = rightFace;
  else return c;
  // Edges: thin light lines, at least one pixel wide.
  const double width = std::max(0.018, pixel * 0.9);
  const std::array<std::array<Point, 2>, 9> edges{{{top, right}, {right, centre}, {centre, left},
                                                   {left, top}, {centre, bottom}, {left, leftLow},
                                                   {leftLow, bottom}, {right, rightLow},
                                                   {rightLow, bottom}}};
  double d = 1;
  for (const auto& e : edges) d = std::min(d, DistanceToSegment(p, e[0], e[1]));
  if (d < width) c = Mix(c, {0.86, 0.95, 1.0, 0.9 * (1 - d / width)});
  // The accent: an orange node at the front corner, the tool's "handle".
  const double nx = p.x - centre.x, ny = p.y - centre.y;
  const double r = std::sqrt(nx * nx + ny * ny), radius = std::max(0.07, 1.6 * pixel);
  if (r < radius) c = Mix(c, {0.98, 0.58, 0.16, std::clamp((radius - r) / pixel, 0.0, 1.0)});
  return c;
}

std::vector<std::uint8_t> Render(int size) {
  const int ss = 8;  // supersampling per axis
  std::vector<std::uint8_t> bgra(static_cast<std::size_t>(size) * size * 4);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      double r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < ss; ++sy) {
        for (int sx = 0; sx < ss; ++sx) {
          const Point p{(x + (sx + 0.5) / ss) / size, (y + (sy + 0.5) / ss) / size};
          const Color c = Sample(p, 1.0 / size);
          r += c.r * c.a; g += c.g * c.a; b += c.b * c.a; a += c.a;
        }
      }
      const double n = ss * ss;
      const double alpha = a / n;
      auto byte = [](double v) { return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
      // Icon images are bottom-up, with straight (not premultiplied) alpha.
      std::uint8_t* px = &bgra[(static_cast<std::size_t>(size - 1 - y) * size + x) * 4];
      px[0] = byte(a > 0 ? b / a : 0);
      px[1] = byte(a > 0 ? g / a : 0);
      px[2] = byte(a > 0 ? r / a : 0);
      px[3] = byte(alpha);
    }
  }
  return bgra;
}

void Put16(std::vector<std::uint8_t>& out, unsigned v) { out.push_back(v & 0xFF); out.push_back((v >> 8) & 0xFF); }
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) { Put16(out, v & 0xFFFF); Put16(out, v >> 16); }

// One icon image: BITMAPINFOHEADER, 32-bit pixels, then the AND mask.
std::vector<std::uint8_t> IconImage(int size) {
  std::vector<std::uint8_t> out;
  const std::vector<std::uint8_t> pixels = Render(size);
  const int maskStride = ((size + 31) / 32) * 4;
  Put32(out, 40); Put32(out, size); Put32(out, size * 2); Put16(out, 1); Put16(out, 32);
  Put32(out, 0); Put32(out, pixels.size() + maskStride * size); Put32(out, 0); Put32(out, 0);
  Put32(out, 0); Put32(out, 0);
  out.insert(out.end(), pixels.begin(), pixels.end());
  for (int y = 0; y < size; ++y) {
    std::vector<std::uint8_t> row(maskStride, 0);
    for (int x = 0; x < size; ++x) {
      if (pixels[(static_cast<std::size_t>(y) * size + x) * 4 + 3] == 0) row[x / 8] |= 0x80 >> (x % 8);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: application_icon OUTPUT.ico\n";
    return 2;
  }
  const int sizes[] = {16, 20, 24, 32, 40, 48, 64, 96, 128, 256};
  std::vector<std::vector<std::uint8_t>> images;
  for (int s : sizes) images.push_back(IconImage(s));
  std::vector<std::uint8_t> file;
  Put16(file, 0); Put16(file, 1); Put16(file, images.size());
  std::uint32_t offset = 6 + 16 * images.size();
  for (std::size_t i = 0; i < images.size(); ++i) {
    // A directory entry's width and height are bytes; 0 stands for 256.
    file.push_back(static_cast<std::uint8_t>(sizes[i] & 0xFF));
    file.push_back(static_cast<std::uint8_t>(sizes[i] & 0xFF));
    file.push_back(0); file.push_back(0);
    Put16(file, 1); Put16(file, 32);
    Put32(file, images[i].size()); Put32(file, offset);
    offset += images[i].size();
  }
  for (const auto& image : images) file.insert(file.end(), image.begin(), image.end());
  if (!artwork::WriteOutputFile(argv[1], file)) {
    std::cerr << "application_icon: cannot write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
