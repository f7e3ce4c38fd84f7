// Draws the banner of the wizard's left band: on white, a pale blue sky
// fading down into a perspective design grid, with two isometric blocks in
// the product's blues (the larger one drawn as a shaded solid, the smaller
// one as a wireframe being placed) joined by a dimension line with an
// orange snap node. Every edge of the picture fades to white, so that the
// frame can centre it in a white band of any size without a visible border.
// Drawn for a display scale (100, 125, 150 or 200 percent) from the same
// geometry: lines, fades and the grid keep their place and grow with the
// scale, so a larger picture is sharper, not resampled. Written as a 24-bit
// bottom-up .bmp.
//
//   banner OUTPUT.bmp [PERCENT]      PERCENT: 100 (the default), 125, 150, 200

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "output_file.h"
#include "raster.h"

namespace {

using artwork::Color;
using artwork::DistanceToSegment;
using artwork::Inside;
using artwork::Lerp;
using artwork::Mix;
using artwork::Point;
using artwork::WithAlpha;

// Sized to fit the band of the wizard at 96 DPI (84 x 186 dialog units,
// 126 x 279 pixels with the usual dialog fonts) without cropping. The
// drawing is described in these units; other scales multiply them.
constexpr int kWidth = 126;
constexpr int kHeight = 272;

const Color kWhite{1, 1, 1, 1};
const Color kSky{0.86, 0.93, 0.99, 1};
const Color kGrid{0.55, 0.72, 0.90, 1};
const Color kTopFace{0.55, 0.80, 0.98, 1}, kTopFaceDark{0.30, 0.62, 0.92, 1};
const Color kLeftFace{0.10, 0.36, 0.72, 1}, kRightFace{0.05, 0.22, 0.50, 1};
const Color kEdge{0.86, 0.95, 1.0, 1};
const Color kWire{0.12, 0.40, 0.78, 1};
const Color kAccent{0.98, 0.58, 0.16, 1};

// How many output pixels one unit of the drawing spans (1 at 100 %).
double g_scale = 1.0;

// Coverage of a shape whose edge is `inside` units away (negative outside),
// softened over one output pixel whatever the scale. `softInside` is the
// same distance with the half pixel of softening at 100 % already added:
// the extra term vanishes at 100 %, which therefore draws exactly the
// picture it always drew.
double Soft(double softInside, double inside) {
  return std::clamp(softInside + inside * (g_scale - 1), 0.0, 1.0);
}

// Anti-aliased line coverage for a distance `d` and half width `w` (units).
double LineCoverage(double d, double w) { return Soft(w + 0.5 - d, w - d); }

// An isometric block: top centre `c`, half width `s`, height `h` (pixels).
struct Block {
  Point c;
  double s, h;
  Point top() const { return {c.x, c.y - s * 0.5}; }
  Point left() const { return {c.x - s, c.y}; }
  Point right() const { return {c.x + s, c.y}; }
  Point front() const { return {c.x, c.y + s * 0.5}; }
  Point leftLow() const { return {c.x - s, c.y + h}; }
  Point rightLow() const { return {c.x + s, c.y + h}; }
  Point frontLow() const { return {c.x, c.y + s * 0.5 + h}; }
  std::array<std::array<Point, 2>, 9> Edges() const {
    return {{{top(), right()}, {right(), front()}, {front(), left()}, {left(), top()},
             {front(), frontLow()}, {left(), leftLow()}, {leftLow(), frontLow()},
             {right(), rightLow()}, {rightLow(), frontLow()}}};
  }
};

double NearestEdge(const Block& b, Point p) {
  double d = 1e9;
  for (const auto& e : b.Edges()) d = std::min(d, DistanceToSegment(p, e[0], e[1]));
  return d;
}

Color SolidBlock(Color c, const Block& b, Point p) {
  if (Inside({b.top(), b.right(), b.front(), b.left()}, p)) {
    c = Lerp(kTopFace, kTopFaceDark, std::clamp((p.y - b.top().y) / b.s, 0.0, 1.0));
  } else if (Inside({b.left(), b.front(), b.frontLow(), b.leftLow()}, p)) {
    c = Lerp(kLeftFace, kRightFace, std::clamp((p.y - b.left().y) / (b.h * 2.5), 0.0, 1.0));
  } else if (Inside({b.front(), b.right(), b.rightLow(), b.frontLow()}, p)) {
    c = kRightFace;
  } else {
    return c;
  }
  return Mix(c, WithAlpha(kEdge, 0.85 * LineCoverage(NearestEdge(b, p), 0.35)));
}

// The floor: lines converging to a vanishing point above the picture, and
// horizontals closer together towards the horizon.
double GridCoverage(Point p) {
  const double horizon = 140;
  if (p.y < horizon) return 0;
  const Point vanish{kWidth * 0.5, horizon - 60};
  double cover = 0;
  for (int i = -9; i <= 9; ++i) {
    const Point foot{kWidth * 0.5 + i * 26.0, kHeight + 40.0};
    cover = std::max(cover, LineCoverage(DistanceToSegment(p, vanish, foot), 0.2));
  }
  const double depth = (p.y - horizon) / (kHeight - horizon);  // 0 at the horizon
  for (int k = 1; k <= 12; ++k) {
    const double t = std::pow(k / 12.0, 1.8);
    cover = std::max(cover, LineCoverage(std::abs(p.y - (horizon + t * (kHeight - horizon))), 0.2));
  }
  return cover * std::clamp(depth * 3, 0.0, 1.0);
}

Color Sample(Point p) {
  // Sky to white, then the grid floor.
  Color c = Lerp(kSky, kWhite, std::clamp(p.y / 160.0, 0.0, 1.0));
  c = Mix(c, WithAlpha(kGrid, 0.55 * GridCoverage(p)));

  const Block big{{kWidth * 0.44, 140}, 34, 40};
  const Block small{{kWidth * 0.70, 86}, 17, 20};
  // A soft shadow of the big block on the floor.
  const double sx = (p.x - big.c.x - 8) / 46, sy = (p.y - big.frontLow().y + 4) / 12;
  c = Mix(c, WithAlpha({0.20, 0.30, 0.45, 1}, 0.22 * std::exp(-(sx * sx + sy * sy) * 2)));
  c = SolidBlock(c, big, p);
  // The small block: a wireframe being placed, lightly tinted.
  if (Inside({small.top(), small.right(), small.rightLow(), small.frontLow(), small.leftLow(), small.left()}, p)) {
    c = Mix(c, WithAlpha(kTopFace, 0.18));
  }
  c = Mix(c, WithAlpha(kWire, LineCoverage(NearestEdge(small, p), 0.45)));
  // The dimension line from the small block's front corner to the big
  // block's top corner, dashed, with a snap node at the big block.
  const Point from = small.front(), to = big.right();
  const double along = std::hypot(p.x - from.x, p.y - from.y);
  if (std::fmod(along, 6.0) < 3.5) {
    c = Mix(c, WithAlpha(kWire, 0.8 * LineCoverage(DistanceToSegment(p, from, to), 0.3)));
  }
  const double node = std::hypot(p.x - to.x, p.y - to.y);
  c = Mix(c, WithAlpha(kAccent, Soft(4.0 - node, 3.5 - node)));
  c = Mix(c, WithAlpha(kWhite, Soft(1.6 - node, 1.1 - node)));

  // Every border fades to white.
  const double edge = std::min({p.x, kWidth - p.x, p.y * 3, kHeight - p.y});
  return Mix(c, WithAlpha(kWhite, 1 - std::clamp(edge / 14.0, 0.0, 1.0)));
}

void Put16(std::vector<std::uint8_t>& out, unsigned v) { out.push_back(v & 0xFF); out.push_back((v >> 8) & 0xFF); }
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) { Put16(out, v & 0xFFFF); Put16(out, v >> 16); }

// The picture at `percent` of its 96-DPI size (rounded to whole pixels).
std::vector<std::uint8_t> RenderBitmapFile(int percent) {
  g_scale = percent / 100.0;
  const int width = static_cast<int>(std::lround(kWidth * g_scale));
  const int height = static_cast<int>(std::lround(kHeight * g_scale));
  const int ss = 4;  // supersampling per axis
  const int stride = (width * 3 + 3) / 4 * 4;
  const std::uint32_t pixelBytes = static_cast<std::uint32_t>(stride) * height;
  // Pixels per metre of the scale's DPI (3780 at 96 DPI).
  const std::uint32_t density = static_cast<std::uint32_t>(std::lround(3780 * g_scale));
  std::vector<std::uint8_t> file;
  file.push_back('B'); file.push_back('M');
  Put32(file, 14 + 40 + pixelBytes); Put32(file, 0); Put32(file, 14 + 40);
  Put32(file, 40); Put32(file, width); Put32(file, height); Put16(file, 1); Put16(file, 24);
  Put32(file, 0); Put32(file, pixelBytes); Put32(file, density); Put32(file, density); Put32(file, 0); Put32(file, 0);
  for (int y = height - 1; y >= 0; --y) {  // bottom-up
    std::vector<std::uint8_t> row(stride, 0);
    for (int x = 0; x < width; ++x) {
      double r = 0, g = 0, b = 0;
      for (int sy = 0; sy < ss; ++sy) {
        for (int sx = 0; sx < ss; ++sx) {
          const Point unit{(x + (sx + 0.5) / ss) / g_scale, (y + (sy + 0.5) / ss) / g_scale};
          const Color c = Mix(kWhite, Sample(unit));
          r += c.r; g += c.g; b += c.b;
        }
      }
      auto byte = [](double v) { return static_cast<std::uint8_t>(std::lround(std::clamp(v / (ss * ss), 0.0, 1.0) * 255)); };
      row[x * 3] = byte(b); row[x * 3 + 1] = byte(g); row[x * 3 + 2] = byte(r);
    }
    file.insert(file.end(), row.begin(), row.end());
  }
  return file;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string percent = argc == 3 ? argv[2] : "100";
  if ((argc != 2 && argc != 3) ||
      (percent != "100" && percent != "125" && percent != "150" && percent != "200")) {
    std::cerr << "usage: banner OUTPUT.bmp [100|125|150|200]\n";
    return 2;
  }
  const std::vector<std::uint8_t> file = RenderBitmapFile(std::stoi(percent));
  if (!artwork::WriteOutputFile(argv[1], file)) {
    std::cerr << "banner: cannot write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
