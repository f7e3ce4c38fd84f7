#include "platform/folder_owner.h"

#include "platform/handles.h"
#include "platform/security_api.h"
#include "platform/well_known_sid.h"

namespace qw {

bool IsTrustedOwner(PSECURITY_DESCRIPTOR descriptor, PSID processUser) {
  try {
    SecurityApi& api = SecurityApi::Get();
    PSID owner = api.GetSecurityDescriptorOwner(descriptor);
    if (!api.IsValidSid(owner)) return false;
    for (WellKnownGroup group : {WellKnownGroup::Administrators, WellKnownGroup::LocalSystem,
                                 WellKnownGroup::TrustedInstaller}) {
      const WellKnownSid trusted(group);
      if (api.EqualSid(owner, trusted.get())) return true;
    }
    return api.IsValidSid(processUser) && api.EqualSid(owner, processUser);
  } catch (...) {
    return false;
  }
}

bool FileOwnerIsTrusted(const std::wstring& path) {
  try {
    SecurityApi& api = SecurityApi::Get();
    const UniqueHandle token = api.OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY);
    const UniqueLocalMemory user = api.GetTokenUser(token.get());
    const DWORD size = api.GetFileSecurity(path.c_str(), OWNER_SECURITY_INFORMATION, nullptr, 0);
    const UniqueLocalMemory descriptor = AllocateZeroed(size);
    api.GetFileSecurity(path.c_str(), OWNER_SECURITY_INFORMATION, descriptor.get(), size);
    return IsTrustedOwner(descriptor.get(), static_cast<TOKEN_USER*>(user.get())->User.Sid);
  } catch (...) {
    return false;
  }
}

}  // namespace qw
