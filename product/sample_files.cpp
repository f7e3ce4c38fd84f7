// Writes the files of the sample product that the installer carries until
// the real stand-in programs exist: small data files of every kind the
// payload knows except the main program and the uninstaller, an empty file
// and a file with a non-ASCII name. The content is fixed, so the archive
// made from them is the same on every build.
//
//   sample_files OUTPUT_FOLDER

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

namespace {

// A small linear congruential generator: fixed sequences, no library state.
class Noise {
 public:
  explicit Noise(std::uint32_t seed) : state_(seed) {}
  unsigned char Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<unsigned char>(state_ >> 24);
  }

 private:
  std::uint32_t state_;
};

bool Write(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  out.close();
  if (!out) std::cerr << "sample_files: cannot write " << path << '\n';
  return static_cast<bool>(out);
}

std::string Text(const std::string& title, int lines) {
  std::string text = title + "\r\n";
  for (int i = 1; i <= lines; ++i)
    text += "Line " + std::to_string(i) + " of the Meridel 6.07c sample data: " + title + ".\r\n";
  return text;
}

std::string Noisy(std::uint32_t seed, std::size_t size) {
  Noise noise(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(noise.Next());
  return bytes;
}

void Put32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A 24-bit bottom-up bitmap of `side` x `side` pixels in a two-tone pattern.
std::string Bitmap(int side, std::uint32_t seed) {
  const std::uint32_t row = (static_cast<std::uint32_t>(side) * 3 + 3) & ~3u;
  std::string bmp = "BM";
  Put32(bmp, 54 + row * side);
  Put32(bmp, 0);
  Put32(bmp, 54);
  Put32(bmp, 40);
  Put32(bmp, side);
  Put32(bmp, side);
  bmp += std::string("\x01\x00\x18\x00", 4);
  Put32(bmp, 0);
  Put32(bmp, row * side);
  Put32(bmp, 2835);
  Put32(bmp, 2835);
  Put32(bmp, 0);
  Put32(bmp, 0);
  Noise noise(seed);
  for (int y = 0; y < side; ++y) {
    std::string line;
    for (int x = 0; x < side; ++x) {
      const bool light = ((x / 4) + (y / 4)) % 2 == 0;
      const unsigned char grain = noise.Next() & 0x0F;
      line += static_cast<char>(light ? 0xC0 + grain : 0x60 + grain);
      line += static_cast<char>(light ? 0x90 + grain : 0x40 + grain);
      line += static_cast<char>(light ? 0x30 + grain : 0x20 + grain);
    }
    line.resize(row, '\0');
    bmp += line;
  }
  return bmp;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: sample_files OUTPUT_FOLDER\n";
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  bool ok = true;
  ok &= Write(dir + "License.txt", Text("Meridel 6.07c licence terms", 40));
  ok &= Write(dir + "Empty.cfg", std::string());
  ok &= Write(dir + "Messages.en.txt", Text("English messages", 30));
  ok &= Write(dir + "Messages.fr.txt", Text("Messages en fran\xC3\xA7" "ais", 30));
  ok &= Write(dir + "Furniture.mr-lib", Text("Furniture parts", 60) + Noisy(1, 4096));
  ok &= Write(dir + "Metals.mat-quillon", Text("Metal materials", 20));
  ok &= Write(dir + "UserImages.bmp", Bitmap(24, 2));
  ok &= Write(dir + "Garden.mr-proj", Text("Garden sample project", 25) + Noisy(3, 2048));
  ok &= Write(dir + "Caf\xC3\xA9 Terrasse.mr-proj", Text("Caf\xC3\xA9 terrace sample project", 25));
  ok &= Write(dir + "Oak.bmp", Bitmap(32, 4));
  ok &= Write(dir + "SetupNotes.txt", Text("Temporary setup notes", 10));
  return ok ? 0 : 1;
}
