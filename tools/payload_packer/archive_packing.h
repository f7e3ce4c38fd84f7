#pragma once
// Making a payload archive: the header describing the entries, then their
// contents, all compressed as bzip2 streams of 899,000 bytes of input each
// (the last one shorter), one after the other: one bzip2 file, whose
// streams the reader decodes side by side. Each source file is read twice,
// once for its size and CRC-32 and once for the data, so nothing is held in
// memory whatever the sizes.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "payload/payload_format.h"
#include "tools/payload_packer/payload_manifest.h"

namespace qw {

// Produces an entry's content: calls `write` with the bytes, in any chunks.
using ContentWriter =
    std::function<void(std::size_t entry, const std::function<void(const char*, std::size_t)>& write)>;

// Writes the archive of `records` to `output`; `content` must give exactly
// `size` bytes per entry. Returns the compressed size. Throws
// std::runtime_error; on failure no output file is left.
std::uint64_t WriteArchive(const std::string& output, const std::vector<DirectoryRecord>& records,
                           const ContentWriter& content);

// Packs the files a manifest lists. Throws std::runtime_error naming the
// manifest line of a source that is no regular file, cannot be read or
// changed while packing.
std::uint64_t PackManifest(const std::vector<ManifestEntry>& entries, const std::string& output);

}  // namespace qw
