#pragma once
// How the product is already installed on this machine.

#include <cstdint>

namespace qw {

enum class InstalledState : std::int32_t {
  NotInstalled = 0,
  SameVersion = 1,
  OlderVersion = 2,
  NewerVersion = -1,
};

}  // namespace qw
