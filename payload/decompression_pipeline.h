#pragma once
// The bzip2 decompression pipeline shared by the archive test and the
// extraction: compressed bytes are read from a stream in chunks of 4096
// bytes, decoded by Boost.Iostreams' bzip2 decompressor (normal, not
// small-memory, mode) into blocks of at most 4096 bytes, and each block is
// offered to a sink until the sink has accepted all of it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <istream>

namespace qw {

// Accepts up to `size` bytes of `data` and returns how many it took.
using DecodedSink = std::function<std::size_t(const char* data, std::size_t size)>;

// Runs the pipeline until the input ends and returns the number of
// compressed bytes read. Throws boost::iostreams::bzip2_error when the input
// is no bzip2 stream, is corrupt or truncated, or has bytes after the end of
// its last stream; the sink's exceptions pass through. A read error of the
// input stream is thrown as std::ios_base::failure.
std::uint64_t Decompress(std::istream& input, const DecodedSink& sink);

}  // namespace qw
