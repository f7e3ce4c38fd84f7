#include "engine/removal_error.h"

#include <string>

namespace qw {
namespace {

class RemovalCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "removal"; }
  std::string message(int code) const override {
    switch (static_cast<removal_errc>(code)) {
      case removal_errc::relative_path: return "not a full path on a drive";
      case removal_errc::dot_element: return "a path with \".\" or \"..\" elements";
      case removal_errc::drive_root: return "the root of a drive";
      case removal_errc::system_folder: return "the Windows or system folder";
      case removal_errc::protected_folder: return "a folder of the system itself";
      case removal_errc::outside_installation: return "outside the installation's folders";
      case removal_errc::reparse_point: return "behind a reparse point";
      case removal_errc::not_recorded_kind: return "a file kind that installations do not record";
      case removal_errc::other_form: return "a form of the path that names another place";
      case removal_errc::not_its_place: return "not where the installation puts a file of its kind";
      case removal_errc::not_a_shortcut: return "not one of the product's shortcuts";
      case removal_errc::moved: return "no longer where it was checked";
      case removal_errc::restart_outside: return "in use, outside the installation folder";
      case removal_errc::not_the_program: return "not the product's own program";
    }
    return "unknown removal error";
  }
};

}  // namespace

const std::error_category& removal_category() {
  static const RemovalCategory category;
  return category;
}

std::error_code make_error_code(removal_errc code) {
  return {static_cast<int>(code), removal_category()};
}

}  // namespace qw
