#pragma once
// One directory entry of the payload archive as the reader keeps it.

#include <boost/filesystem/path.hpp>

#include <cstdint>

namespace qw {

struct PayloadEntry {
  boost::filesystem::path source;       // as read; only its file name is used
  boost::filesystem::path destination;  // the placeholder folder as read, then the full file path
  std::uint32_t kind = 0;               // passed through to the installer
  std::uint64_t size = 0;
  std::uint32_t crc = 0;                // standard reflected CRC-32 of the content
};

}  // namespace qw
