#include "platform/well_known_sid.h"

#include "platform/security_api.h"

namespace qw {

WellKnownSid::WellKnownSid(WellKnownGroup group) {
  SecurityApi& api = SecurityApi::Get();
  if (group == WellKnownGroup::Everyone) {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    sid_ = api.AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0);
    return;
  }
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  const DWORD alias = group == WellKnownGroup::Administrators ? DOMAIN_ALIAS_RID_ADMINS
                                                              : DOMAIN_ALIAS_RID_USERS;
  sid_ = api.AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, alias);
}

WellKnownSid::~WellKnownSid() {
  try {
    SecurityApi::Get().FreeSid(sid_);
  } catch (...) {
    // Without FreeSid the SID cannot be given back; it stays allocated.
  }
}

}  // namespace qw
