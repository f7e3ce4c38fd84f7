#include "product/data/sample_content.h"

#include <cmath>

#include "product/data/binary_writer.h"
#include "product/data/noise.h"

namespace qw::sample {

std::string MakeBitmap(const std::string& name, int width, int height) {
  Noise noise(Noise::SeedOf(name));
  const std::uint32_t row = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  const std::uint32_t pixels = row * static_cast<std::uint32_t>(height);
  std::string bmp = "BM";
  PutU32(bmp, 54 + pixels);
  PutU32(bmp, 0);
  PutU32(bmp, 54);
  PutU32(bmp, 40);
  PutU32(bmp, static_cast<std::uint32_t>(width));
  PutU32(bmp, static_cast<std::uint32_t>(height));
  PutU16(bmp, 1);
  PutU16(bmp, 24);
  PutU32(bmp, 0);
  PutU32(bmp, pixels);
  PutU32(bmp, 2835);
  PutU32(bmp, 2835);
  PutU32(bmp, 0);
  PutU32(bmp, 0);
  // Soft colour fields with a little sensor grain, like a small photograph.
  const double fx = 2 + noise.Between(0, 5), fy = 2 + noise.Between(0, 5);
  for (int y = 0; y < height; ++y) {
    std::string line;
    for (int x = 0; x < width; ++x) {
      const double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
      const double shade = 0.5 + 0.25 * std::sin(fx * u * 3.14159) + 0.25 * std::cos(fy * v * 3.14159);
      const int grain = static_cast<int>(noise.Next() % 8);
      line += static_cast<char>(static_cast<int>(shade * 180) + grain);
      line += static_cast<char>(static_cast<int>(shade * 140 + 40 * u) + grain);
      line += static_cast<char>(static_cast<int>(shade * 90 + 60 * v) + grain);
    }
    line.resize(row, '\0');
    bmp += line;
  }
  return bmp;
}

}  // namespace qw::sample
