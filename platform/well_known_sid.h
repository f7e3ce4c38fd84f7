#pragma once
// WellKnownSid: the SID of one of the well-known groups and accounts the
// installer names in access lists or accepts as owners, made through the
// security service and freed with FreeSid when the holder goes away.

#include <windows.h>

namespace qw {

enum class WellKnownGroup {
  Everyone,        // S-1-1-0
  Administrators,  // S-1-5-32-544
  Users,           // S-1-5-32-545
  LocalSystem,     // S-1-5-18
  // The service account that owns the system's own folders (Program Files,
  // the Windows folder) on Windows Vista and later.
  TrustedInstaller,  // S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464
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
