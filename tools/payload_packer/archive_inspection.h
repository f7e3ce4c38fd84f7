#pragma once
// Reading a payload archive file back, for the packer's list and verify
// commands: the directory, and a full check of every byte.

#include <cstdint>
#include <string>
#include <vector>

#include "payload/payload_format.h"

namespace qw {

struct ArchiveSummary {
  std::vector<DirectoryRecord> records;
  std::uint64_t dataOffset = 0;
  std::uint64_t decompressedBytes = 0;
  std::uint64_t compressedBytes = 0;
};

// Decompresses the archive file at `path` and checks the header, the
// total length and every CRC-32, and every entry as the installer does
// before extracting and as the packer does with a manifest's lines. Throws
// std::runtime_error describing the first fault.
ArchiveSummary VerifyArchiveFile(const std::string& path);

// Only the directory (decompression stops after the header). Throws
// std::runtime_error.
ArchiveSummary ReadArchiveDirectory(const std::string& path);

}  // namespace qw
