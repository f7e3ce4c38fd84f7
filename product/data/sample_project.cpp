#include "product/data/sample_content.h"

#include <cstdio>

#include "platform/product_facts.h"
#include "product/data/binary_writer.h"
#include "product/data/noise.h"

namespace qw::sample {
namespace {

const char* const kLibraries[] = {"Furniture", "Kitchen Cabinets", "Doors", "Windows", "Stairs",
                                  "Lighting", "Garden", "Office", "Timber Frames", "Fasteners"};
const char* const kMaterials[] = {"Woods-012", "Woods-047", "Metals-003", "Metals-118",
                                  "Stone and Glass-021", "Stone and Glass-200"};

std::string Scene(Noise& noise, const std::string& title, int placements) {
  std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<project title=\"" + title +
                    "\" application=\"" QW_PRODUCT_DISPLAY_NAME "\" units=\"mm\">\r\n  <scene>\r\n";
  char line[320];
  for (int i = 1; i <= placements; ++i) {
    std::snprintf(line, sizeof line,
                  "    <place id=\"%d\" library=\"%s\" part=\"%d\" x=\"%d\" y=\"%d\" z=\"%d\" "
                  "rotate=\"%d\" material=\"%s\" />\r\n",
                  i, noise.Pick(kLibraries), noise.Between(1, 400), 5 * noise.Between(0, 2000),
                  5 * noise.Between(0, 1600), 5 * noise.Between(0, 600), 90 * noise.Between(0, 3),
                  noise.Pick(kMaterials));
    out += line;
  }
  out += "  </scene>\r\n  <views>\r\n";
  for (int v = 1; v <= 4; ++v) {
    std::snprintf(line, sizeof line, "    <camera id=\"%d\" eye=\"%d %d %d\" target=\"0 0 0\" fov=\"45\" />\r\n",
                  v, noise.Between(-9000, 9000), noise.Between(-9000, 9000), noise.Between(500, 6000));
    out += line;
  }
  out += "  </views>\r\n</project>\r\n";
  return out;
}

std::string Title(const std::string& name) { return name.substr(0, name.rfind('.')); }

}  // namespace

std::string MakeSampleProject(const std::string& name) {
  Noise noise(Noise::SeedOf(name));
  return Scene(noise, Title(name), noise.Between(700, 1500));
}

std::string MakeProjectCabinet(const std::string& name) {
  Noise noise(Noise::SeedOf(name));
  const std::string scene = Scene(noise, Title(name), noise.Between(600, 1100));
  const std::string thumbnail = MakeBitmap(name + " thumbnail", 160, 120);
  // The custom parts travel as a part library of their own.
  const std::string parts = MakePartLibrary(Title(name) + ".mr-lib");
  std::string out = "MRCAB\x1A";
  PutU16(out, 6);
  PutU32(out, 3);
  for (const std::string* section : {&scene, &thumbnail, &parts}) {
    PutU32(out, static_cast<std::uint32_t>(section->size()));
    out += *section;
  }
  return out;
}

}  // namespace qw::sample
