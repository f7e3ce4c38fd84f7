#include "product/data/sample_content.h"

#include <cstdio>

#include "platform/product_facts.h"
#include "product/data/binary_writer.h"
#include "product/data/noise.h"

namespace qw::sample {
namespace {

const char* const kNouns[] = {"Panel", "Frame", "Bracket", "Rail", "Shelf", "Leg", "Top", "Door",
                              "Drawer", "Hinge", "Handle", "Beam", "Post", "Plate", "Cover", "Strut"};
const char* const kFinishes[] = {"Oak", "Walnut", "Maple", "Birch Plywood", "Brushed Steel",
                                 "Copper", "White Lacquer", "Slate", "Frosted Glass"};
const char* const kParameters[] = {"width", "height", "depth", "thickness", "radius", "offset"};

// One mesh: vertices on a 5 mm grid with a little noise in the last
// millimetre, normals from the six axis directions and a few diagonals,
// triangles mostly in strips.
void AppendMesh(std::string& out, Noise& noise, int vertices) {
  PutU32(out, 0x4853454D);  // "MESH"
  PutU32(out, static_cast<std::uint32_t>(vertices));
  float x = 0, y = 0, z = 0;
  for (int i = 0; i < vertices; ++i) {
    switch (noise.Next() % 3) {
      case 0: x += 5.0f * static_cast<float>(noise.Between(-4, 4)); break;
      case 1: y += 5.0f * static_cast<float>(noise.Between(-4, 4)); break;
      default: z += 5.0f * static_cast<float>(noise.Between(-4, 4)); break;
    }
    const float jitter = noise.Next() % 3 == 0 ? static_cast<float>(noise.Between(0, 9)) * 0.1f : 0.0f;
    PutFloat(out, x + jitter);
    PutFloat(out, y);
    PutFloat(out, z);
  }
  static const signed char kNormals[][3] = {{127, 0, 0},  {-127, 0, 0}, {0, 127, 0},  {0, -127, 0},
                                            {0, 0, 127},  {0, 0, -127}, {90, 90, 0},  {0, 90, 90}};
  for (int i = 0; i < vertices; ++i) {
    const signed char* n = kNormals[(i / 4 + (noise.Next() % 8 == 0 ? 1 : 0)) % 8];
    out.append(reinterpret_cast<const char*>(n), 3);
  }
  const int triangles = vertices > 2 ? vertices - 2 : 0;
  PutU32(out, static_cast<std::uint32_t>(triangles));
  for (int i = 0; i < triangles; ++i) {
    const bool odd = i % 2 != 0;
    PutU16(out, static_cast<std::uint32_t>(i));
    PutU16(out, static_cast<std::uint32_t>(odd ? i + 2 : i + 1));
    PutU16(out, static_cast<std::uint32_t>(odd ? i + 1 : i + 2));
  }
}

std::string PartRecord(Noise& noise, const std::string& category, int index) {
  char line[256];
  std::string text;
  std::snprintf(line, sizeof line, "part \"%s %s %d\" id=%08X finish=\"%s\" size=%dx%dx%d mm\r\n",
                category.c_str(), noise.Pick(kNouns), index, noise.Next(), noise.Pick(kFinishes),
                10 * noise.Between(2, 240), 10 * noise.Between(2, 240), 10 * noise.Between(1, 90));
  text += line;
  const int parameters = noise.Between(2, 5);
  for (int p = 0; p < parameters; ++p) {
    const int low = 10 * noise.Between(1, 50);
    std::snprintf(line, sizeof line, "  parameter %s min=%d max=%d step=%d unit=mm\r\n",
                  noise.Pick(kParameters), low, low + 10 * noise.Between(5, 200), 5 * noise.Between(1, 4));
    text += line;
  }
  std::snprintf(line, sizeof line, "  catalogue \"" QW_MAKER_NAME " standard parts\" revision=%d\r\nend part\r\n",
                noise.Between(1, 9));
  text += line;
  return text;
}

}  // namespace

std::string MakePartLibrary(const std::string& name) {
  Noise noise(Noise::SeedOf(name));
  const std::string category = name.substr(0, name.find('.'));
  const int parts = noise.Between(330, 600);
  std::string out = "MRLIB\x1A";
  PutU16(out, 6);
  PutU32(out, static_cast<std::uint32_t>(parts));
  for (int i = 1; i <= parts; ++i) {
    const std::string record = PartRecord(noise, category, i);
    PutU32(out, static_cast<std::uint32_t>(record.size()));
    out += record;
    AppendMesh(out, noise, noise.Between(24, 96));
  }
  return out;
}

}  // namespace qw::sample
