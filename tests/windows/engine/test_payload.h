#pragma once
// The tests' small payload: its compressed bytes, its directory as the
// packer listed it at build time (so that expectations do not come from
// the reader under test), and damaged copies of it. Test support.

#include <cstdint>
#include <string>
#include <vector>

namespace qw::test {

struct ListedEntry {
  std::uint32_t kind = 0;
  std::uint64_t size = 0;
  std::uint32_t crc = 0;
  std::wstring destination;  // placeholder folder and file name, as listed
};

// The bytes of an archive file; empty when it cannot be read.
std::string ReadArchiveFile(const std::wstring& path);
// The packer's listing "kind <TAB> size <TAB> crc <TAB> destination" lines.
std::vector<ListedEntry> ReadPackerList(const std::wstring& path);

// The directory of a compressed archive, decoded here from the packer's
// documented header (not by the installer's reader); empty when it cannot
// be decoded.
std::vector<ListedEntry> ListArchive(const std::string& archive);

// A file of an archive made by a test.
struct PackedFile {
  std::uint32_t kind = 0;
  std::wstring folder;  // placeholder folder, for example L"<InstallPath>\\Lang"
  std::wstring name;
  std::string content;
};

// A compressed archive of `files` in the packer's documented layout.
std::string PackArchive(const std::vector<PackedFile>& files);

// `size` bytes that bzip2 cannot shrink, the same for the same `seed`.
std::string IncompressibleBytes(std::size_t size, std::uint32_t seed);

// The payload resource of the installer at `path`; empty without one.
std::string PayloadOfInstaller(const std::wstring& path);

// The archive with one byte of the content that follows the first
// occurrence of `marker` changed, recompressed: the file holding it fails
// its CRC-32. Empty when the marker is not found.
std::string WithCorruptedContent(const std::string& archive, const std::string& marker);

// `destination` with a leading "<InstallPath>" or "<Temporary>" replaced.
std::wstring ResolveForTest(const std::wstring& destination, const std::wstring& installFolder,
                            const std::wstring& temporaryFolder);

// The standard CRC-32 of a file's content; false when it cannot be read.
bool FileCrc32(const std::wstring& path, std::uint32_t& crc, std::uint64_t& size);

}  // namespace qw::test
