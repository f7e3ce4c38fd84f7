#include "payload/bzip2_stream_starts.h"

#include <cstring>

namespace qw {
namespace {

constexpr std::size_t kStartLength = 10;  // "BZh" + digit + 48-bit magic
constexpr unsigned char kBlockMagic[6] = {0x31, 0x41, 0x59, 0x26, 0x53, 0x59};
constexpr unsigned char kEndMagic[6] = {0x17, 0x72, 0x45, 0x38, 0x50, 0x90};

bool StreamStartsAt(const char* at) {
  if (at[0] != 'B' || at[1] != 'Z' || at[2] != 'h' || at[3] < '1' || at[3] > '9') return false;
  return std::memcmp(at + 4, kBlockMagic, 6) == 0 || std::memcmp(at + 4, kEndMagic, 6) == 0;
}

}  // namespace

std::vector<std::size_t> FindBzip2StreamStarts(const char* data, std::size_t size) {
  std::vector<std::size_t> starts;
  if (data == nullptr || size < kStartLength || !StreamStartsAt(data)) return starts;
  starts.push_back(0);
  const char* const last = data + size - kStartLength;
  for (const char* at = data + 1; at <= last;) {
    const void* found = std::memchr(at, 'B', static_cast<std::size_t>(last - at) + 1);
    if (found == nullptr) break;
    at = static_cast<const char*>(found);
    if (StreamStartsAt(at)) starts.push_back(static_cast<std::size_t>(at - data));
    ++at;
  }
  return starts;
}

}  // namespace qw
