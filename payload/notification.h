#pragma once
// What the payload reader reports to its caller while it extracts, and the
// caller's answer. The reader sends them in this order: started; one
// progress after the directory; per file file_begin, a progress per block
// and file_end (not for skipped files); finished, or one failure instead.

#include <cstdint>
#include <functional>
#include <string>
#include <system_error>
#include <variant>

#include "payload/compress_error.h"
#include "payload/payload_entry.h"

namespace qw {

class notification {
 public:
  enum result { proceed = 0, cancel = 1, skip = 2 };

  struct started {};
  struct finished {
    std::uint64_t compressedBytes;
    std::uint64_t decompressedBytes;
  };
  struct file_begin {
    const PayloadEntry& entry;
  };
  struct file_end {
    const PayloadEntry& entry;
  };
  struct progress {
    std::uint64_t done;
    std::uint64_t total;  // decompressed bytes
  };
  struct failure {
    std::error_code code;
    std::wstring text;
  };

  // Indices 0 to 5 in this order.
  using value_type = std::variant<started, finished, file_begin, file_end, progress, failure>;

  template <typename Alternative>
  notification(Alternative alternative) : value(std::move(alternative)) {}

  std::size_t index() const { return value.index(); }

  value_type value;
  // Set by a callback that answers `cancel` to say why it stops the
  // extraction; the failure notification then carries this code instead of
  // compress_errc::interrupted. The callback never throws to say it.
  std::error_code reason;
};

// Inside the reader: throws the error that ends an extraction the callback
// stopped by answering `cancel` to `n`, its reason or else
// compress_errc::interrupted.
[[noreturn]] inline void ThrowCancelled(const notification& n) {
  throw std::system_error(n.reason ? n.reason : make_error_code(compress_errc::interrupted));
}

// The reader's callback. `skip` means something only as the answer to
// file_begin; `cancel` to started, file_begin, file_end or progress stops
// the extraction with one failure notification; the answers to finished
// and failure are ignored.
using PayloadCallback = std::function<notification::result(notification&)>;

}  // namespace qw
