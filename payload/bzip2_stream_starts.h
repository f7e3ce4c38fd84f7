#pragma once
// Where the bzip2 streams of a concatenation probably begin. A stream
// starts on a byte boundary with "BZh", a block size digit and then either
// a block's magic number (the first 48 bits of pi) or the end-of-stream
// magic (of the square root of pi) for an empty stream. The same ten bytes
// can occur by chance inside compressed data, and damage can hide a real
// start, so the offsets are guesses: a range between two of them counts as
// one or more whole streams only once it has decoded without error to its
// last byte.

#include <cstddef>
#include <vector>

namespace qw {

// The offsets at which a stream seems to start, ascending; the first is 0
// when the data starts like a stream, and the list is empty when it does
// not.
std::vector<std::size_t> FindBzip2StreamStarts(const char* data, std::size_t size);

}  // namespace qw
