#pragma once
// Test scaffolding: an installed state of the product made the way the
// installer finds one, by the product path value naming an installed main
// program (one of the versioned stand-ins, or none). The value is put back
// as it was at the end of the test.

#include <string>

#include "registry_value_guard.h"

namespace qw::test {

class PlacedInstallation {
 public:
  // `program` empty: no installation (the value is removed).
  explicit PlacedInstallation(const std::wstring& program);
  bool ok() const { return ok_; }

 private:
  RegistryValueGuard path_;
  bool ok_ = false;
};

}  // namespace qw::test
