#pragma once
// Little-endian integers and floats appended to a byte string, the way the
// product's binary formats store them.

#include <cstdint>
#include <cstring>
#include <string>

namespace qw::sample {

inline void PutU16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

inline void PutU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline void PutFloat(std::string& out, float f) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &f, sizeof bits);
  PutU32(out, bits);
}

}  // namespace qw::sample
