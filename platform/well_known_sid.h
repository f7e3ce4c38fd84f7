#pragma once
// WellKnownSid: the SID of one of three well-known groups, made through the
// security service and freed with FreeSid when the holder goes away. It
// knows only the groups the installer names in access lists.

#include <windows.h>

namespace qw {

enum class WellKnownGroup {
  Everyone,        // S-1-1-0
  Administrators,  // S-1-5-32-544
  Users,           // S-1-5-32-545
};

class WellKnownSid {
 public:
  // Raises the security service's error when the SID cannot be made.
  explicit WellKnownSid(WellKnownGroup group);
  WellKnownSid(const WellKnownSid&) = delete;
  WellKnownSid& operator=(const WellKnownSid&) = delete;
  ~WellKnownSid();

  PSID get() const { return sid_; }

 private:
  PSID sid_ = nullptr;
};

}  // namespace qw
