#pragma once
// The "compress" error category of the payload reader: the failures that are
// neither operating-system nor runtime errors. It only names and describes
// the codes; raising them is the reader's business.

#include <system_error>

namespace qw {

enum class compress_errc {
  invalid_checksum = 3,
  archive_test_failed = 4,  // raised by the installer, has no message of its own
  interrupted = 5,
  bzip2_error = 6,
  unexpected_error = 7,
};

// The one instance of the category named "compress".
const std::error_category& compress_category() noexcept;

std::error_code make_error_code(compress_errc e) noexcept;

// Throws std::system_error carrying `e`.
[[noreturn]] void ThrowCompressError(compress_errc e);

}  // namespace qw

namespace std {
template <>
struct is_error_code_enum<qw::compress_errc> : true_type {};
}  // namespace std
