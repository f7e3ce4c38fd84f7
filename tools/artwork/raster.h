#pragma once
// The small vector-drawing vocabulary of the artwork generators: colours
// with alpha, points in a unit square, convex polygons, distances to
// segments and alpha compositing. Pictures are functions from a point to a
// colour, supersampled by the generators; nothing here knows about files.

#include <algorithm>
#include <cmath>
#include <vector>

namespace artwork {

struct Color {
  double r, g, b, a;
};

struct Point {
  double x, y;
};

// Inside test for a convex polygon given counter-clockwise or clockwise.
inline bool Inside(const std::vector<Point>& poly, Point p) {
  bool positive = false, negative = false;
  for (std::size_t i = 0; i < poly.size(); ++i) {
    const Point a = poly[i], b = poly[(i + 1) % poly.size()];
    const double cross = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
    if (cross > 0) positive = true;
    if (cross < 0) negative = true;
  }
  return !(positive && negative);
}

inline double DistanceToSegment(Point p, Point a, Point b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
  const double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
  return std::sqrt(ex * ex + ey * ey);
}

// `over` composited on `under` (straight alpha).
inline Color Mix(Color under, Color over) {
  const double a = over.a + under.a * (1 - over.a);
  if (a <= 0) return {0, 0, 0, 0};
  auto channel = [&](double u, double o) { return (o * over.a + u * under.a * (1 - over.a)) / a; };
  return {channel(under.r, over.r), channel(under.g, over.g), channel(under.b, over.b), a};
}

inline Color Lerp(Color a, Color b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

inline Color WithAlpha(Color c, double a) { return {c.r, c.g, c.b, a}; }

}  // namespace artwork
