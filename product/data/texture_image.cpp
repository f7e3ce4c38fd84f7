#include "product/data/sample_content.h"

#include "product/data/noise.h"

namespace qw::sample {
namespace {

void PutU16BigEndian(std::string& out, unsigned v) {
  out += static_cast<char>((v >> 8) & 0xFF);
  out += static_cast<char>(v & 0xFF);
}

void Marker(std::string& out, unsigned char code, unsigned length) {
  out += '\xFF';
  out += static_cast<char>(code);
  PutU16BigEndian(out, length);
}

void QuantisationTable(std::string& out, int table, int base) {
  out += static_cast<char>(table);
  for (int i = 0; i < 64; ++i) out += static_cast<char>(base + (i / 8 + i % 8) * 3);
}

// Huffman tables with the code-length counts of the usual baseline tables
// and every symbol those tables can hold.
void HuffmanTable(std::string& out, int classAndId) {
  static const unsigned char kDcBits[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
  static const unsigned char kAcBits[16] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7D};
  const bool ac = (classAndId & 0x10) != 0;
  out += static_cast<char>(classAndId);
  out.append(reinterpret_cast<const char*>(ac ? kAcBits : kDcBits), 16);
  if (!ac) {
    for (int symbol = 0; symbol < 12; ++symbol) out += static_cast<char>(symbol);
    return;
  }
  out += '\x00';
  out += '\xF0';
  for (int run = 0; run < 16; ++run)
    for (int size = 1; size <= 10; ++size) out += static_cast<char>(run << 4 | size);
}

}  // namespace

std::string MakeTexture(const std::string& name) {
  Noise noise(Noise::SeedOf(name));
  const unsigned side = 256u << noise.Between(1, 2);
  std::string out = "\xFF\xD8";
  Marker(out, 0xE0, 16);
  out.append("JFIF\0\x01\x01\x01\x00\x48\x00\x48\x00\x00", 14);
  Marker(out, 0xDB, 2 + 2 * 65);
  QuantisationTable(out, 0, 4);
  QuantisationTable(out, 1, 8);
  Marker(out, 0xC0, 17);
  out += '\x08';
  PutU16BigEndian(out, side);
  PutU16BigEndian(out, side);
  out.append("\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 10);
  Marker(out, 0xC4, 2 + 4 * 17 + 2 * 12 + 2 * 162);
  HuffmanTable(out, 0x00);
  HuffmanTable(out, 0x10);
  HuffmanTable(out, 0x01);
  HuffmanTable(out, 0x11);
  Marker(out, 0xDA, 12);
  out.append("\x03\x01\x00\x02\x11\x03\x11\x00\x3F\x00", 10);
  // Entropy-coded data is close to random; a 0xFF byte is followed by a
  // stuffed zero, as in any baseline scan.
  const std::size_t scan = 1024u * static_cast<std::size_t>(noise.Between(90, 200));
  for (std::size_t i = 0; i < scan; ++i) {
    const unsigned char b = noise.Byte();
    out += static_cast<char>(b);
    if (b == 0xFF) out += '\x00';
  }
  out += "\xFF\xD9";
  return out;
}

}  // namespace qw::sample
