#pragma once
// The bzip2 decompression pipeline shared by the archive test and the
// extraction: compressed bytes are read from a stream in chunks of 4096
// bytes, decoded by Boost.Iostreams' bzip2 decompressor (normal, not
// small-memory, mode) into blocks of at most 4096 bytes, and each block is
// offered to a sink until the sink has accepted all of it.

#include <cstddef>
#include <cstdint>
#include <istream>

#include "payload/decoded_blocks.h"

namespace qw {

// Runs the pipeline until the input ends and returns the number of
// compressed bytes read. Throws boost::iostreams::bzip2_error when the input
// is no bzip2 stream, is corrupt or truncated, or has bytes after the end of
// its last stream; the sink's exceptions pass through. A read error of the
// input stream is thrown as std::ios_base::failure.
std::uint64_t Decompress(std::istream& input, const DecodedSink& sink);

// The same pipeline over the bytes data[start, size) of an archive in
// memory whose first `start` bytes were decoded already (whole streams)
// and whose output so far fills `blocks` in part: the input is read in the
// chunks a read from offset 0 would give and the output goes on filling
// the same blocks, so that the blocks handed on and the point of any error
// are those of one pipeline run over the whole archive. Returns the
// compressed bytes read (size - start); throws as Decompress.
std::uint64_t DecompressRest(const char* data, std::size_t size, std::size_t start, DecodedBlocks& blocks);

}  // namespace qw
