// Draws the language list's flag icons: one 24-bit icon per language,
// resource ids 141 to 158, each with an 18 x 12 image and the same flag at
// 125, 150 and 200 % display scale (23 x 15, 27 x 18, 36 x 24). Each flag
// is described by shapes in a unit rectangle (x 0..1.5, y 0..1, the 3:2
// frame of most flags) and rendered at every size from those shapes with
// 8 x 8 supersampling, so that small details such as stars and the Union
// Jack's diagonals blend instead of disappearing.
//
// The icons are written as the two resources Windows keeps of an icon, so
// that the resource script gives every image an id of its own: the resource
// compiler numbers the images of its ICON statements from 1 in every
// script, and the application icon's images already have those numbers.
// The 18 x 12 image of flag N is icon image N, its larger ones N + 100,
// N + 200 and N + 300.
//
//   flag_icons OUTPUT_FOLDER     writes flag_141.icon-image, flag_141_125.icon-image,
//                                flag_141_150.icon-image, flag_141_200.icon-image,
//                                flag_141.icon-group ... the same for 158

#include <cmath>
#include <cstdint>
#include <functional>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "output_file.h"

namespace {

constexpr int kSamples = 8;
constexpr double kPi = 3.14159265358979323846;

// The images of every flag: the 96-DPI size and its display scales.
struct ImageSize {
  int percent, width, height;
};
constexpr ImageSize kSizes[] = {{100, 18, 12}, {125, 23, 15}, {150, 27, 18}, {200, 36, 24}};
// Icon image ids: the 18 x 12 image of flag N is N, the next size N + 100...
constexpr int kImageIdStep = 100;

struct Rgb {
  double r, g, b;
};
constexpr Rgb Hex(unsigned v) {
  return {((v >> 16) & 0xFF) / 255.0, ((v >> 8) & 0xFF) / 255.0, (v & 0xFF) / 255.0};
}

struct Point {
  double x, y;
};

// A flag answers the colour at a point of its unit rectangle (x 0..1.5).
using Flag = std::function<Rgb(Point)>;

bool InPolygon(const std::vector<Point>& poly, Point p) {  // even-odd rule
  bool inside = false;
  for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    if ((poly[i].y > p.y) != (poly[j].y > p.y) &&
        p.x < (poly[j].x - poly[i].x) * (p.y - poly[i].y) / (poly[j].y - poly[i].y) + poly[i].x)
      inside = !inside;
  }
  return inside;
}

std::vector<Point> Star(Point c, double outer, double rotation = -kPi / 2) {
  std::vector<Point> points;
  for (int i = 0; i < 10; ++i) {
    const double r = i % 2 ? outer * 0.382 : outer;
    const double a = rotation + i * kPi / 5;
    points.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
  }
  return points;
}

bool InCircle(Point p, Point c, double r) { return std::hypot(p.x - c.x, p.y - c.y) < r; }

// Distance from p to the infinite line through a and b.
double LineDistance(Point p, Point a, Point b) {
  return std::abs((b.y - a.y) * p.x - (b.x - a.x) * p.y + b.x * a.y - b.y * a.x) /
         std::hypot(b.x - a.x, b.y - a.y);
}

Flag HorizontalStripes(std::vector<Rgb> colors) {
  return [colors](Point p) {
    const std::size_t i = std::min<std::size_t>(colors.size() - 1, static_cast<std::size_t>(p.y * colors.size()));
    return colors[i];
  };
}

Flag VerticalStripes(std::vector<Rgb> colors) {
  return [colors](Point p) {
    const std::size_t i = std::min<std::size_t>(colors.size() - 1, static_cast<std::size_t>(p.x / 1.5 * colors.size()));
    return colors[i];
  };
}

// Nordic cross: the vertical bar's centre at `cx`, bar width w, optional
// inner cross of another colour.
Flag NordicCross(Rgb field, Rgb cross, double cx, double w, const Rgb* inner = nullptr, double wi = 0) {
  const Rgb innerColor = inner ? *inner : cross;
  return [=](Point p) {
    const bool inInner = inner && (std::abs(p.x - cx) < wi / 2 || std::abs(p.y - 0.5) < wi / 2);
    if (inInner) return innerColor;
    if (std::abs(p.x - cx) < w / 2 || std::abs(p.y - 0.5) < w / 2) return cross;
    return field;
  };
}

const Rgb kWhite = Hex(0xFFFFFF);

std::vector<std::pair<int, Flag>> Flags() {
  const Rgb ukBlue = Hex(0x012169), ukRed = Hex(0xC8102E);
  return {
      {141, HorizontalStripes({Hex(0x000000), Hex(0xDD0000), Hex(0xFFCE00)})},  // German
      {142, NordicCross(Hex(0xC8102E), kWhite, 0.5, 1.0 / 6)},                      // Danish
      {143, [](Point p) {                                                         // Spanish
         if (p.y < 0.25 || p.y >= 0.75) return Hex(0xAA151B);
         // A hint of the arms on the hoist side.
         if (p.x > 0.32 && p.x < 0.5 && p.y > 0.36 && p.y < 0.64) return Hex(0xAD1519);
         return Hex(0xF1BF00);
       }},
      {144, VerticalStripes({Hex(0x002395), kWhite, Hex(0xED2939)})},  // French
      {145, [=](Point p) {                                             // English: the Union Jack
         const Point a{0, 0}, b{1.5, 1}, c{0, 1}, d{1.5, 0};
         const double d1 = LineDistance(p, a, b), d2 = LineDistance(p, c, d);
         if (std::abs(p.x - 0.75) < 0.1 || std::abs(p.y - 0.5) < 0.1) return ukRed;
         if (std::abs(p.x - 0.75) < 0.167 || std::abs(p.y - 0.5) < 0.167) return kWhite;
         // Red diagonals sit off-centre (counterchanged), white around them.
         const bool upperLeftOrLowerRight = (p.x < 0.75) == (p.y < 0.5);
         const double red = upperLeftOrLowerRight ? d1 : d2;
         const double side = upperLeftOrLowerRight ? (p.y - p.x / 1.5) : (p.y - (1 - p.x / 1.5));
         const bool redSide = (p.x < 0.75) ? side < 0 : side > 0;
         if (red < 0.06 && redSide) return ukRed;
         if (d1 < 0.1 || d2 < 0.1) return kWhite;
         return ukBlue;
       }},
      {146, VerticalStripes({Hex(0x009246), kWhite, Hex(0xCE2B37)})},  // Italian
      {147, HorizontalStripes({Hex(0xAE1C28), kWhite, Hex(0x21468B)})},  // Dutch
      {148, [](Point p) {                                               // Portuguese
         if (InCircle(p, {0.6, 0.5}, 0.2) && !InCircle(p, {0.6, 0.5}, 0.13)) return Hex(0xFFE900);
         if (InCircle(p, {0.6, 0.5}, 0.13)) return Hex(0xDA291C);
         return p.x < 0.6 ? Hex(0x046A38) : Hex(0xDA291C);
       }},
      {149, [](Point p) {  // Turkish
         const Rgb red = Hex(0xE30A17);
         if (InCircle(p, {0.5, 0.5}, 0.25) && !InCircle(p, {0.5625, 0.5}, 0.2)) return kWhite;
         if (InPolygon(Star({0.8, 0.5}, 0.125, 0), p)) return kWhite;
         return red;
       }},
      {150, HorizontalStripes({kWhite, Hex(0x00966E), Hex(0xD62612)})},  // Bulgarian
      {151, VerticalStripes({Hex(0x002B7F), Hex(0xFCD116), Hex(0xCE1126)})},  // Romanian
      {152, [](Point p) {  // Chinese
         const Rgb yellow = Hex(0xFFDE00);
         if (InPolygon(Star({0.25, 0.25}, 0.15), p)) return yellow;
         const Point small[] = {{0.5, 0.1}, {0.6, 0.2}, {0.6, 0.35}, {0.5, 0.45}};
         for (Point s : small)
           if (InPolygon(Star(s, 0.05), p)) return yellow;
         return Hex(0xDE2910);
       }},
      {153, [](Point p) {  // Czech
         if (p.x < 0.75 * (1 - std::abs(p.y - 0.5) * 2)) return Hex(0x11457E);
         return p.y < 0.5 ? kWhite : Hex(0xD7141A);
       }},
      {154, [](Point p) {  // Norwegian
         const Rgb blue = Hex(0x00205B);
         // Widths rounded to whole pixels: at 12 pixels a 1.5-pixel bar blurs.
         return NordicCross(Hex(0xBA0C2F), kWhite, 0.5, 1.0 / 3, &blue, 1.0 / 6)(p);
       }},
      {155, [](Point p) {  // Greek
         const Rgb blue = Hex(0x0D5EAF);
         if (p.x < 0.555 && p.y < 0.555) {
           return (std::abs(p.x - 0.2775) < 0.0617 || std::abs(p.y - 0.2775) < 0.0617) ? kWhite : blue;
         }
         return static_cast<int>(p.y * 9) % 2 ? kWhite : blue;
       }},
      {156, HorizontalStripes({kWhite, Hex(0xDC143C)})},  // Polish
      {157, [](Point p) {                                 // Hebrew: the flag of Israel
         const Rgb blue = Hex(0x0038B8);
         if ((p.y > 0.1 && p.y < 0.25) || (p.y > 0.75 && p.y < 0.9)) return blue;
         const Point c{0.75, 0.5};
         const double r = 0.2;
         auto triangle = [&](double rotation) {
           std::vector<Point> t;
           for (int i = 0; i < 3; ++i)
             t.push_back({c.x + r * std::cos(rotation + i * 2 * kPi / 3), c.y + r * std::sin(rotation + i * 2 * kPi / 3)});
           return t;
         };
         auto outline = [&](const std::vector<Point>& t) {
           for (std::size_t i = 0; i < 3; ++i) {
             const Point a = t[i], b = t[(i + 1) % 3];
             const double len = std::hypot(b.x - a.x, b.y - a.y);
             const double along = ((p.x - a.x) * (b.x - a.x) + (p.y - a.y) * (b.y - a.y)) / len;
             if (along >= -0.01 && along <= len + 0.01 && LineDistance(p, a, b) < 0.03) return true;
           }
           return false;
         };
         if (outline(triangle(-kPi / 2)) || outline(triangle(kPi / 2))) return blue;
         return kWhite;
       }},
      {158, [](Point p) {  // Vietnamese
         return InPolygon(Star({0.75, 0.5}, 0.32), p) ? Hex(0xFFCD00) : Hex(0xDA251D);
       }},
  };
}

std::vector<std::uint8_t> RenderBgr(const Flag& flag, int width, int height) {
  std::vector<std::uint8_t> rows;  // bottom-up rows padded to 4 bytes
  const int stride = (width * 3 + 3) & ~3;
  rows.assign(static_cast<std::size_t>(stride) * height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double r = 0, g = 0, b = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const Point p{(x + (sx + 0.5) / kSamples) / width * 1.5, (y + (sy + 0.5) / kSamples) / height};
          const Rgb c = flag(p);
          r += c.r; g += c.g; b += c.b;
        }
      }
      const double n = kSamples * kSamples;
      std::uint8_t* px = &rows[static_cast<std::size_t>(height - 1 - y) * stride + x * 3];
      px[0] = static_cast<std::uint8_t>(std::lround(b / n * 255));
      px[1] = static_cast<std::uint8_t>(std::lround(g / n * 255));
      px[2] = static_cast<std::uint8_t>(std::lround(r / n * 255));
    }
  }
  return rows;
}

void Put16(std::vector<std::uint8_t>& out, unsigned v) { out.push_back(v & 0xFF); out.push_back((v >> 8) & 0xFF); }
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) { Put16(out, v & 0xFFFF); Put16(out, v >> 16); }

// The icon image resource (RT_ICON): a DIB of the picture over twice its
// height, the colour rows followed by the transparency mask.
std::vector<std::uint8_t> IconImage(const Flag& flag, int width, int height) {
  const std::vector<std::uint8_t> pixels = RenderBgr(flag, width, height);
  const int maskStride = ((width + 31) / 32) * 4;
  const std::vector<std::uint8_t> mask(static_cast<std::size_t>(maskStride) * height, 0);  // opaque
  std::vector<std::uint8_t> image;
  Put32(image, 40); Put32(image, width); Put32(image, height * 2); Put16(image, 1); Put16(image, 24);
  Put32(image, 0); Put32(image, pixels.size() + mask.size()); Put32(image, 0); Put32(image, 0);
  Put32(image, 0); Put32(image, 0);
  image.insert(image.end(), pixels.begin(), pixels.end());
  image.insert(image.end(), mask.begin(), mask.end());
  return image;
}

// The icon group resource (RT_GROUP_ICON) of flag `id`, naming its images
// of `imageBytes[i]` bytes, one of each size of kSizes.
std::vector<std::uint8_t> IconGroup(int id, const std::vector<std::size_t>& imageBytes) {
  std::vector<std::uint8_t> group;
  Put16(group, 0); Put16(group, 1); Put16(group, static_cast<unsigned>(imageBytes.size()));  // reserved, icon, entries
  for (std::size_t i = 0; i < imageBytes.size(); ++i) {
    group.push_back(static_cast<std::uint8_t>(kSizes[i].width));
    group.push_back(static_cast<std::uint8_t>(kSizes[i].height));
    group.push_back(0); group.push_back(0);
    Put16(group, 1); Put16(group, 24); Put32(group, static_cast<std::uint32_t>(imageBytes[i]));
    Put16(group, static_cast<unsigned>(id + kImageIdStep * static_cast<int>(i)));
  }
  return group;
}

std::string ImageFileName(const std::string& base, const ImageSize& size) {
  return size.percent == 100 ? base + ".icon-image" : base + "_" + std::to_string(size.percent) + ".icon-image";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: flag_icons OUTPUT_FOLDER\n";
    return 2;
  }
  // The flags are one output: a failure takes the ones already written too.
  std::vector<std::string> written;
  for (const auto& [id, flag] : Flags()) {
    const std::string base = std::string(argv[1]) + "/flag_" + std::to_string(id);
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> outputs;
    std::vector<std::size_t> imageBytes;
    for (const ImageSize& size : kSizes) {
      outputs.emplace_back(ImageFileName(base, size), IconImage(flag, size.width, size.height));
      imageBytes.push_back(outputs.back().second.size());
    }
    outputs.emplace_back(base + ".icon-group", IconGroup(id, imageBytes));
    for (const auto& [path, bytes] : outputs) {
      if (!artwork::WriteOutputFile(path, bytes)) {
        std::cerr << "flag_icons: cannot write " << path << "\n";
        for (const std::string& done : written) artwork::RemoveOutputFile(done);
        return 1;
      }
      written.push_back(path);
    }
  }
  return 0;
}
