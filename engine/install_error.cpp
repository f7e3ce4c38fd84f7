#include "engine/install_error.h"

#include <string>

namespace qw {
namespace {

class InstallCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "install"; }
  std::string message(int value) const override {
    switch (static_cast<install_errc>(value)) {
      case install_errc::user_controlled_folder: return "a folder on the way belongs to a user";
      default: return "unknown error";
    }
  }
};

}  // namespace

const std::error_category& install_category() noexcept {
  static const InstallCategory category;
  return category;
}

std::error_code make_error_code(install_errc e) noexcept {
  return {static_cast<int>(e), install_category()};
}

}  // namespace qw
