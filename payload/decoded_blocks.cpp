#include "payload/decoded_blocks.h"

#include <algorithm>
#include <cstring>

namespace qw {

void DecodedBlocks::Append(const char* data, std::size_t size) {
  while (size > 0) {
    const std::size_t take = std::min(size, FreeSize());
    std::memcpy(FreeSpace(), data, take);
    Filled(take);
    data += take;
    size -= take;
  }
}

void DecodedBlocks::Filled(std::size_t size) {
  filled_ += size;
  if (filled_ == kBlockSize) HandOn(kBlockSize);
}

void DecodedBlocks::Finish() {
  if (filled_ > 0) HandOn(filled_);
}

void DecodedBlocks::HandOn(std::size_t size) {
  filled_ = 0;  // a sink that throws leaves nothing to hand on again
  const char* next = block_;
  while (size > 0) {
    const std::size_t taken = sink_(next, size);
    next += taken;
    size -= taken;
  }
}

}  // namespace qw
