#include "product/data/sample_content.h"

#include <cstring>

#include "product/data/binary_writer.h"
#include "product/data/noise.h"

namespace qw::sample {
namespace {

struct Original {
  const char* name;
  std::size_t size;  // about the size of the file of the June 2010 runtime
  bool cabinet;
};

const Original kOriginals[] = {
    {"DSETUP.dll", 94040, false},
    {"dsetup32.dll", 1523544, false},
    {"dxdllreg_x86.cab", 26234, true},
    {"dxupdate.cab", 94370, true},
    {"Jun2010_D3DCompiler_43_x86.cab", 1110336, true},
    {"Jun2010_d3dx9_43_x86.cab", 1078962, true},
};

// Byte patterns of common x86 instructions: a library's code section is
// made of few distinct patterns with varying operands.
const char* const kInstructions[] = {
    "\x55\x8B\xEC", "\x8B\xFF", "\x83\xEC", "\x8B\x45", "\x8B\x4D", "\x89\x45", "\xFF\x75",
    "\xE8", "\x85\xC0\x74", "\x5D\xC2", "\x6A", "\x50", "\x56\x57", "\x33\xC0", "\x0F\x84",
    "\xC7\x45", "\x8D\x45", "\x3B\xC1\x75", "\x5F\x5E\xC3", "\x68"};

std::string LibraryLike(Noise& noise, std::size_t size) {
  std::string out;
  static const char* const kNames[] = {"DirectXSetup", "DirectXSetupGetVersion", "DirectXSetupCallback",
                                       "DirectXRegisterApplication", "DirectXUnRegisterApplication",
                                       "DirectXSetupSetCallback", "DirectXDeviceDriverSetup"};
  while (out.size() < size) {
    if (noise.Next() % 16 == 0) {
      out += noise.Pick(kNames);
      out += '\0';
      continue;
    }
    const char* op = noise.Pick(kInstructions);
    out.append(op, std::strlen(op));
    if (noise.Next() % 3 == 0) PutU32(out, noise.Next() & 0x0003FFFF);
    else out += static_cast<char>(noise.Byte() & 0x3C);
  }
  out.resize(size);
  return out;
}

std::string CabinetLike(Noise& noise, std::size_t size) {
  std::string out = "MSCF";
  PutU32(out, 0);
  PutU32(out, static_cast<std::uint32_t>(size));
  PutU32(out, 0);
  PutU32(out, 44);
  PutU32(out, 0);
  out += "\x03\x01";
  PutU16(out, 1);
  PutU16(out, 1);
  while (out.size() < size) out += static_cast<char>(noise.Byte());
  out.resize(size);
  return out;
}

}  // namespace

bool MakeSetupPlaceholder(const std::string& name, std::string& content) {
  Noise noise(Noise::SeedOf(name));
  for (const Original& original : kOriginals) {
    if (name != original.name) continue;
    if (original.cabinet) {
      content = CabinetLike(noise, original.size);
      return true;
    }
    // A note first, so that whoever looks inside knows what this is.
    const std::string note = "Meridel sample payload: placeholder of " + name +
                             " of the DirectX runtime setup. Not a program.\r\n";
    content = note + LibraryLike(noise, original.size - note.size());
    return true;
  }
  return false;
}

}  // namespace qw::sample
