#pragma once
// Worker threads that decode ranges of a bzip2 concatenation (one or more
// whole streams each, see bzip2_stream_starts.h) ahead of a consumer that
// takes the results in order on its own thread. Each range is decoded by
// the same pipeline as a whole archive (Boost.Iostreams' bzip2 filter), so
// a range that decodes without error to its last byte gives exactly the
// bytes the whole archive's decoding gives there. A range that does not
// (damage, a start guessed wrong, more output than a range may hold) is
// reported as not clean, with nothing else: the consumer decodes from its
// start on by itself.
//
// At most `window` results wait to be taken, each at most
// kMaximumRangeOutput bytes, so memory stays bounded whatever the archive.
// The object owns its threads: Stop() or the destructor makes every worker
// give up within one decoded block and joins it. Nothing here touches a
// file, a callback or a window.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qw {

struct DecodedRange {
  bool clean = false;
  std::string bytes;  // the decoded bytes, when kept and clean
};

class StreamDecoders {
 public:
  static constexpr unsigned kMaximumThreads = 4;
  static constexpr std::size_t kMaximumRangeOutput = 8u << 20;

  // Decodes data[starts[i], starts[i + 1]) (the last range up to `size`)
  // on `threads` workers (1 to kMaximumThreads), keeping the decoded bytes
  // when `keepBytes` (otherwise only whether each range is clean). Throws
  // std::system_error when not even one thread can be started.
  StreamDecoders(const char* data, std::size_t size, std::vector<std::size_t> starts, unsigned threads,
                 std::size_t window, bool keepBytes);
  StreamDecoders(const StreamDecoders&) = delete;
  StreamDecoders& operator=(const StreamDecoders&) = delete;
  ~StreamDecoders();

  std::size_t ranges() const { return starts_.size(); }
  std::size_t start(std::size_t range) const { return starts_[range]; }

  // Waits for range `range` and hands its result over (not clean once
  // stopped). Ranges are taken in order, each once.
  DecodedRange Take(std::size_t range);

  // Makes every worker stop and waits for it. Idempotent.
  void Stop();

 private:
  void Work();
  DecodedRange Decode(std::size_t range) const;

  const char* data_;
  std::size_t size_;
  std::vector<std::size_t> starts_;
  std::size_t window_;
  bool keepBytes_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<DecodedRange> results_;
  std::vector<bool> done_;
  std::size_t next_ = 0;   // the next range a worker starts
  std::size_t taken_ = 0;  // ranges handed over so far
  std::atomic<bool> stopping_{false};
  std::vector<std::thread> workers_;
};

// How many decoding threads to use here: the active processors, at most
// StreamDecoders::kMaximumThreads.
unsigned DecodingThreads();

}  // namespace qw
