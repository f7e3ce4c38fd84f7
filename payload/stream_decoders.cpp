#include "payload/stream_decoders.h"

#include <algorithm>

#include "payload/decompression_pipeline.h"
#include "payload/membuf.h"
#include "payload/processor_count.h"

namespace qw {
namespace {

// Thrown by a worker's sink to give up a range.
struct GiveUp {};

}  // namespace

StreamDecoders::StreamDecoders(const char* data, std::size_t size, std::vector<std::size_t> starts,
                               unsigned threads, std::size_t window, bool keepBytes)
    : data_(data),
      size_(size),
      starts_(std::move(starts)),
      window_(std::max<std::size_t>(window, 1)),
      keepBytes_(keepBytes),
      results_(starts_.size()),
      done_(starts_.size(), false) {
  threads = std::clamp(threads, 1u, kMaximumThreads);
  try {
    for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
  } catch (const std::system_error&) {
    if (workers_.empty()) throw;  // fewer workers will do
  }
}

StreamDecoders::~StreamDecoders() { Stop(); }

void StreamDecoders::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& worker : workers_) {
    if (worker.joinable()) worker.join();
  }
}

DecodedRange StreamDecoders::Take(std::size_t range) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return done_[range] || stopping_; });
  if (!done_[range]) return DecodedRange{};
  DecodedRange result = std::move(results_[range]);
  results_[range] = DecodedRange{};
  ++taken_;
  lock.unlock();
  changed_.notify_all();
  return result;
}

void StreamDecoders::Work() {
  for (;;) {
    std::size_t range = 0;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return stopping_ || next_ >= starts_.size() || next_ < taken_ + window_; });
      if (stopping_ || next_ >= starts_.size()) break;
      range = next_++;
    }
    DecodedRange result = Decode(range);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      results_[range] = std::move(result);
      done_[range] = true;
    }
    changed_.notify_all();
  }
}

DecodedRange StreamDecoders::Decode(std::size_t range) const {
  const std::size_t begin = starts_[range];
  const std::size_t end = range + 1 < starts_.size() ? starts_[range + 1] : size_;
  DecodedRange result;
  try {
    imemstream input(data_ + begin, end - begin);
    Decompress(input, [&](const char* data, std::size_t size) -> std::size_t {
      if (stopping_) throw GiveUp{};
      if (keepBytes_) {
        if (result.bytes.size() + size > kMaximumRangeOutput) throw GiveUp{};
        result.bytes.append(data, size);
      }
      return size;
    });
    result.clean = !input.bad();
  } catch (...) {
    result = DecodedRange{};
  }
  return result;
}

unsigned DecodingThreads() { return std::min(ActiveProcessorCount(), StreamDecoders::kMaximumThreads); }

}  // namespace qw
