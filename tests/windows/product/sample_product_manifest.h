#pragma once
// The sample product's manifest as the tests read it, independently of the
// packer: the list of files the installer must carry, with the file each
// line names in this tree's product folder, and a CRC-32 computed here.
// Test support only.

#include <cstdint>
#include <string>
#include <vector>

namespace qw::test {

struct SampleProductFile {
  std::uint32_t kind = 0;
  std::wstring destination;  // placeholder form, as written
  std::wstring source;       // as written, for example bin/Meridel.exe
  std::wstring name;         // the source's last component
  std::wstring path;         // the source file in this tree's product folder
};

// This tree's product folder (with a trailing backslash) and its manifest.
std::wstring ProductFolder();
std::wstring ProductManifestPath();

// The lines of the manifest in order; empty when it cannot be read (a test
// that expects files then fails on the count).
std::vector<SampleProductFile> ReadSampleProductManifest();

// The whole content of a file; `ok` false when it cannot be read.
std::vector<char> ReadWholeFile(const std::wstring& path, bool& ok);

// The standard reflected CRC-32 (polynomial 0xEDB88320, initial and final
// XOR 0xFFFFFFFF), written here so that the reader's own is not trusted.
std::uint32_t Crc32(const char* data, std::size_t size);

// The PE machine (IMAGE_FILE_MACHINE_*) of an executable image in memory;
// 0 when the bytes are no PE image.
std::uint16_t ImageMachine(const char* data, std::size_t size);

// The machine this test program was built for.
std::uint16_t ThisTreesMachine();

}  // namespace qw::test
