#pragma once
// The decoded archive cut into blocks of 4096 bytes, each offered to a
// sink until the sink has taken all of it: the blocks the bzip2 pipeline
// hands on, also when the bytes come from several decoders, so that the
// extraction sees the same blocks, the same reports and the same failures
// whoever decoded them. A block is handed on when it is full and at
// Finish(); a partly filled block is dropped when decoding fails, as the
// pipeline drops the block it was filling.

#include <cstddef>
#include <functional>

namespace qw {

// Accepts up to `size` bytes of `data` and returns how many it took.
using DecodedSink = std::function<std::size_t(const char* data, std::size_t size)>;

class DecodedBlocks {
 public:
  static constexpr std::size_t kBlockSize = 4096;

  explicit DecodedBlocks(const DecodedSink& sink) : sink_(sink) {}
  DecodedBlocks(const DecodedBlocks&) = delete;
  DecodedBlocks& operator=(const DecodedBlocks&) = delete;

  // Appends decoded bytes, handing on every block they fill. The sink's
  // exceptions pass through.
  void Append(const char* data, std::size_t size);

  // The free end of the block being filled, for a decoder that writes in
  // place; Filled(n) then counts n bytes written there.
  char* FreeSpace() { return block_ + filled_; }
  std::size_t FreeSize() const { return kBlockSize - filled_; }
  void Filled(std::size_t size);

  // Hands on the last, partly filled block, if any.
  void Finish();

 private:
  void HandOn(std::size_t size);

  const DecodedSink& sink_;
  char block_[kBlockSize];
  std::size_t filled_ = 0;
};

}  // namespace qw
