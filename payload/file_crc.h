#pragma once
// The CRC-32 of a file as stored on disk, read back after writing it.

#include <boost/filesystem/path.hpp>

#include <cstdint>
#include <functional>

namespace qw {

// The standard reflected CRC-32 of the file's content (zlib's crc32).
// When another process holds the file (a sharing violation) the reading is
// repeated after `pause` (one second unless a test gives its own), at most
// three more times. Throws boost::filesystem::filesystem_error when the file
// cannot be opened or read.
std::uint32_t StoredFileCrc32(const boost::filesystem::path& path,
                              const std::function<void()>& pause = {});

}  // namespace qw
