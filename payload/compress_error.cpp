#include "payload/compress_error.h"

#include <string>

namespace qw {
namespace {

class CompressCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "compress"; }
  std::string message(int value) const override {
    switch (static_cast<compress_errc>(value)) {
      case compress_errc::invalid_checksum: return "invalid checksum";
      case compress_errc::interrupted: return "interrupted";
      case compress_errc::bzip2_error: return "bzip2 error";
      case compress_errc::unexpected_error: return "unexpected error";
      default: return "unknown error";
    }
  }
};

}  // namespace

const std::error_category& compress_category() noexcept {
  static const CompressCategory category;
  return category;
}

std::error_code make_error_code(compress_errc e) noexcept {
  return {static_cast<int>(e), compress_category()};
}

void ThrowCompressError(compress_errc e) { throw std::system_error(make_error_code(e)); }

}  // namespace qw
