#pragma once
// The "install" error category: failures of the install sequence that are
// its own decisions rather than errors of the system or of the payload
// reader. The status line shows them as their decimal value, after the
// reader's codes 3 to 7.

#include <system_error>

namespace qw {

enum class install_errc {
  // A folder the installation would write in exists and belongs to an
  // account the installation must not trust (see platform/folder_owner.h).
  user_controlled_folder = 8,
};

// The one instance of the category named "install".
const std::error_category& install_category() noexcept;

std::error_code make_error_code(install_errc e) noexcept;

}  // namespace qw

namespace std {
template <>
struct is_error_code_enum<qw::install_errc> : true_type {};
}  // namespace std
