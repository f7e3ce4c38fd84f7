#include "product/data/sample_content.h"

#include <cstdio>

#include "platform/product_facts.h"
#include "product/data/noise.h"

namespace qw::sample {
namespace {

const char* const kSurfaces[] = {"matte", "satin", "gloss", "brushed", "polished", "rough"};
const char* const kTextures[] = {"Oak.jpg", "Walnut.jpg", "Maple.jpg", "Marble White.jpg", "Slate.jpg",
                                 "Brushed Steel.jpg", "Copper.jpg", "Concrete.jpg", "Brick Red.jpg"};

}  // namespace

std::string MakeMaterialLibrary(const std::string& name) {
  Noise noise(Noise::SeedOf(name));
  const std::string family = name.substr(0, name.find('.'));
  std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<materials family=\"" + family +
                    "\" maker=\"" QW_MAKER_NAME "\" format=\"6\">\r\n";
  const int materials = noise.Between(260, 380);
  char line[320];
  for (int i = 1; i <= materials; ++i) {
    std::snprintf(line, sizeof line,
                  "  <material id=\"%s-%03d\" name=\"%s %d\" surface=\"%s\">\r\n"
                  "    <colour r=\"%d\" g=\"%d\" b=\"%d\" />\r\n"
                  "    <reflection amount=\"%d.%02d\" roughness=\"%d.%02d\" />\r\n",
                  family.c_str(), i, family.c_str(), i, noise.Pick(kSurfaces), noise.Between(0, 255),
                  noise.Between(0, 255), noise.Between(0, 255), noise.Between(0, 1), noise.Between(0, 99),
                  noise.Between(0, 1), noise.Between(0, 99));
    out += line;
    std::snprintf(line, sizeof line,
                  "    <texture file=\"%s\" scale=\"%d\" rotation=\"%d\" />\r\n"
                  "    <density kg-per-m3=\"%d\" />\r\n  </material>\r\n",
                  noise.Pick(kTextures), 100 * noise.Between(1, 20), 90 * noise.Between(0, 3),
                  10 * noise.Between(40, 900));
    out += line;
  }
  out += "</materials>\r\n";
  return out;
}

}  // namespace qw::sample
