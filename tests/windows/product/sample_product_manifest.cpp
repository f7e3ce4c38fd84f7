#include "sample_product_manifest.h"

#include <windows.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "build_tree.h"

namespace qw::test {
namespace {

std::string Trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::wstring FromUtf8(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
  return wide;
}

}  // namespace

std::wstring ProductFolder() { return std::wstring(QW_PRODUCT_FOLDER) + L"\\"; }

std::wstring ProductManifestPath() { return ProductFolder() + L"sample_product.manifest"; }

std::vector<SampleProductFile> ReadSampleProductManifest() {
  std::vector<SampleProductFile> files;
  std::ifstream in(ProductManifestPath().c_str(), std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    const std::size_t first = line.find('|');
    const std::size_t second = line.find('|', first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    SampleProductFile file;
    file.kind = static_cast<std::uint32_t>(std::stoul(Trim(line.substr(0, first))));
    file.destination = FromUtf8(Trim(line.substr(first + 1, second - first - 1)));
    file.source = FromUtf8(Trim(line.substr(second + 1)));
    file.name = file.source.substr(file.source.find_last_of(L"/\\") + 1);
    std::wstring relative = file.source;
    for (wchar_t& c : relative)
      if (c == L'/') c = L'\\';
    file.path = ProductFolder() + relative;
    files.push_back(file);
  }
  return files;
}

std::vector<char> ReadWholeFile(const std::wstring& path, bool& ok) {
  std::ifstream in(path.c_str(), std::ios::binary);
  ok = static_cast<bool>(in);
  if (!ok) return {};
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ok = !in.bad();
  return bytes;
}

std::uint32_t Crc32(const char* data, std::size_t size) {
  static std::uint32_t table[256];
  static bool ready = false;
  if (!ready) {
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[i] = c;
    }
    ready = true;
  }
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i)
    crc = table[(crc ^ static_cast<unsigned char>(data[i])) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

std::uint16_t ImageMachine(const char* data, std::size_t size) {
  if (size < 0x40 || data[0] != 'M' || data[1] != 'Z') return 0;
  std::uint32_t peOffset = 0;
  std::memcpy(&peOffset, data + 0x3C, 4);
  if (peOffset > size - 6 || std::memcmp(data + peOffset, "PE\0\0", 4) != 0) return 0;
  std::uint16_t machine = 0;
  std::memcpy(&machine, data + peOffset + 4, 2);
  return machine;
}

std::uint16_t ThisTreesMachine() {
  return sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
}

}  // namespace qw::test
