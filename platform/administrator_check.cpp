#include "platform/security.h"

#include "platform/security_api.h"
#include "platform/well_known_sid.h"

namespace qw {

bool IsUserAdministrator() {
  try {
    const WellKnownSid administrators(WellKnownGroup::Administrators);
    return SecurityApi::Get().CheckTokenMembership(nullptr, administrators.get());
  } catch (...) {
    return false;
  }
}

}  // namespace qw
