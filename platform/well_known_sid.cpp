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
  if (group == WellKnownGroup::LocalSystem) {
    sid_ = api.AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0);
    return;
  }
  if (group == WellKnownGroup::TrustedInstaller) {
    sid_ = api.AllocateAndInitializeSid(&nt, 6, SECURITY_SERVICE_ID_BASE_RID, 956008885u,
                                        3418522649u, 1831038044u, 1853292631u, 2271478464u);
    return;
  }
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
