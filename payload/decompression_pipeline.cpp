#include "payload/decompression_pipeline.h"

#include <boost/iostreams/categories.hpp>
#include <boost/iostreams/filter/bzip2.hpp>

#include <algorithm>

namespace qw {
namespace {

constexpr std::streamsize kBlockSize = 4096;

// The compressed input as a Boost.Iostreams source that counts what it gives.
class CountingSource {
 public:
  using char_type = char;
  using category = boost::iostreams::source_tag;

  CountingSource(std::istream& input, std::uint64_t& count) : input_(&input), count_(&count) {}

  std::streamsize read(char* s, std::streamsize n) {
    input_->read(s, n);
    const std::streamsize got = input_->gcount();
    if (input_->bad()) throw std::ios_base::failure("cannot read the archive");
    *count_ += static_cast<std::uint64_t>(got);
    return got == 0 ? -1 : got;
  }

 private:
  std::istream* input_;
  std::uint64_t* count_;
};

// Archive bytes in memory from an offset on, in the chunks a stream read
// from offset 0 in kBlockSize steps would give.
class AlignedMemorySource {
 public:
  using char_type = char;
  using category = boost::iostreams::source_tag;

  AlignedMemorySource(const char* data, std::size_t size, std::size_t start)
      : data_(data), size_(size), next_(start) {}

  std::streamsize read(char* s, std::streamsize n) {
    if (next_ >= size_) return -1;
    const std::size_t chunk = static_cast<std::size_t>(kBlockSize);
    const std::size_t chunkEnd = (next_ / chunk + 1) * chunk;
    std::size_t take = std::min(std::min(chunkEnd, size_) - next_, static_cast<std::size_t>(n));
    std::copy(data_ + next_, data_ + next_ + take, s);
    next_ += take;
    return static_cast<std::streamsize>(take);
  }

 private:
  const char* data_;
  std::size_t size_;
  std::size_t next_;
};

}  // namespace

std::uint64_t DecompressRest(const char* data, std::size_t size, std::size_t start, DecodedBlocks& blocks) {
  AlignedMemorySource source(data, size, start);
  boost::iostreams::bzip2_decompressor decoder(false, kBlockSize);
  for (;;) {
    const std::streamsize decoded =
        decoder.read(source, blocks.FreeSpace(), static_cast<std::streamsize>(blocks.FreeSize()));
    if (decoded < 0) break;
    blocks.Filled(static_cast<std::size_t>(decoded));
  }
  return size > start ? size - start : 0;
}

std::uint64_t Decompress(std::istream& input, const DecodedSink& sink) {
  std::uint64_t compressed = 0;
  CountingSource source(input, compressed);
  boost::iostreams::bzip2_decompressor decoder(false, kBlockSize);
  char block[kBlockSize];
  for (;;) {
    const std::streamsize decoded = decoder.read(source, block, kBlockSize);
    if (decoded < 0) break;
    const char* next = block;
    std::size_t left = static_cast<std::size_t>(decoded);
    while (left > 0) {
      const std::size_t taken = sink(next, left);
      next += taken;
      left -= taken;
    }
  }
  return compressed;
}

}  // namespace qw
