#pragma once
// Why the uninstaller refused to touch an entry of the uninstall log: the
// error category "removal". Its codes describe the entry, never the file
// system; failures of the file system itself stay in the operating-system
// category.

#include <system_error>

namespace qw {

enum class removal_errc {
  relative_path = 1,      // not a full path on a drive
  dot_element = 2,        // a "." or ".." element
  drive_root = 3,         // the root of a drive
  system_folder = 4,      // the Windows folder, the system folder or inside them
  protected_folder = 5,   // Program Files, the common data folder and the like, themselves
  outside_installation = 6,  // in no place an installation writes to
  reparse_point = 7,      // the path or a folder on its way is a reparse point
  not_recorded_kind = 8,  // a file entry of a payload kind never recorded
  other_form = 9,         // the system reads the path as another one: trailing dots or
                          // blanks, a short name, a stream, a device
  not_its_place = 10,     // not where an entry of its kind can lie for this product
  not_a_shortcut = 11,    // not one of the product's shortcuts in a shortcut folder
  moved = 12,             // no longer where it was checked: a link or swapped folder leads elsewhere
  restart_outside = 13,   // in use, and outside the installation folder: not left to the restart
  not_the_program = 14,   // not the product's own program: not started
};

const std::error_category& removal_category();
std::error_code make_error_code(removal_errc code);

}  // namespace qw

namespace std {
template <>
struct is_error_code_enum<qw::removal_errc> : true_type {};
}  // namespace std
