#include "platform/object_security.h"

#include "platform/security_api.h"
#include "platform/well_known_sid.h"

namespace qw {

ObjectSecurity BuildObjectSecurity(DWORD accessMask) {
  SecurityApi& api = SecurityApi::Get();
  const WellKnownSid everyone(WellKnownGroup::Everyone);

  ObjectSecurity security;
  // The ACL header (8 bytes), one entry's header and mask (8 bytes), the SID.
  const DWORD aclSize = api.GetLengthSid(everyone.get()) + 16;
  security.acl = AllocateZeroed(aclSize);
  auto* acl = static_cast<PACL>(security.acl.get());
  api.InitializeAcl(acl, aclSize, ACL_REVISION);
  api.AddAccessAllowedAce(acl, ACL_REVISION, accessMask, everyone.get());

  security.descriptor = AllocateZeroed(SECURITY_DESCRIPTOR_MIN_LENGTH);
  api.InitializeSecurityDescriptor(security.descriptor.get(), SECURITY_DESCRIPTOR_REVISION);
  api.SetSecurityDescriptorDacl(security.descriptor.get(), true, acl, false);

  security.attributes.nLength = sizeof(security.attributes);
  security.attributes.lpSecurityDescriptor = security.descriptor.get();
  security.attributes.bInheritHandle = FALSE;
  return security;
}

}  // namespace qw
