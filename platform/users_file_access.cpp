#include "platform/users_file_access.h"

#include <system_error>

#include "platform/security.h"
#include "platform/security_api.h"
#include "platform/well_known_sid.h"

namespace qw {

namespace {

// Every access entry starts with its header and mask; the basic entry types
// keep their SID right after them.
constexpr DWORD kAceSidOffset = sizeof(ACE_HEADER) + sizeof(ACCESS_MASK);

// The file's security descriptor for the DACL, in a zero-filled buffer.
UniqueLocalMemory ReadDaclDescriptor(SecurityApi& api, const std::wstring& path) {
  const DWORD size = api.GetFileSecurity(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0);
  UniqueLocalMemory descriptor = AllocateZeroed(size);
  api.GetFileSecurity(path.c_str(), DACL_SECURITY_INFORMATION, descriptor.get(), size);
  return descriptor;
}

// Copies entries of `from`, starting at `index`, to the end of `to`, leaving
// out those of `skipSid`; stops before the first inherited entry when
// `explicitOnly`. Returns the index where it stopped.
DWORD CopyEntries(SecurityApi& api, PACL from, DWORD count, DWORD index, bool explicitOnly,
                  PSID skipSid, PACL to) {
  for (; index < count; ++index) {
    auto* header = static_cast<ACE_HEADER*>(api.GetAce(from, index));
    if (explicitOnly && (header->AceFlags & INHERITED_ACE)) break;
    PSID sid = reinterpret_cast<BYTE*>(header) + kAceSidOffset;
    if (api.EqualSid(sid, skipSid)) continue;
    api.AddAce(to, ACL_REVISION, MAXDWORD, header, header->AceSize);
  }
  return index;
}

// Gives `target` the DACL marks of `current`; systems without the control
// functions get the DACL without them.
void TakeOverDaclControl(SecurityApi& api, PSECURITY_DESCRIPTOR current,
                         PSECURITY_DESCRIPTOR target) {
  try {
    const SECURITY_DESCRIPTOR_CONTROL bits =
        InheritedDaclControl(api.GetSecurityDescriptorControl(current));
    if (bits) api.SetSecurityDescriptorControl(target, bits, bits);
  } catch (const std::system_error& error) {
    if (error.code().value() != static_cast<int>(E_NOTIMPL)) throw;
  }
}

}  // namespace

SECURITY_DESCRIPTOR_CONTROL InheritedDaclControl(SECURITY_DESCRIPTOR_CONTROL oldControl) {
  if (oldControl & SE_DACL_AUTO_INHERITED) return SE_DACL_AUTO_INHERIT_REQ | SE_DACL_AUTO_INHERITED;
  if (oldControl & SE_DACL_PROTECTED) return SE_DACL_PROTECTED;
  return 0;
}

DaclDescriptor UsersAccessDescriptor(PSECURITY_DESCRIPTOR current, DWORD accessMask) {
  SecurityApi& api = SecurityApi::Get();
  const WellKnownSid users(WellKnownGroup::Users);

  bool present = false;
  PACL oldDacl = nullptr;
  api.GetSecurityDescriptorDacl(current, &present, &oldDacl, nullptr);
  DWORD count = 0;
  DWORD bytesInUse = sizeof(ACL);
  if (present && oldDacl) {
    const ACL_SIZE_INFORMATION info = api.GetAclSizeInformation(oldDacl);
    count = info.AceCount;
    bytesInUse = info.AclBytesInUse;
  }

  DaclDescriptor result;
  // The Users entry needs its header and mask (8 bytes) and its SID.
  const DWORD newSize = bytesInUse + kAceSidOffset + api.GetLengthSid(users.get());
  result.dacl = AllocateZeroed(newSize);
  auto* newDacl = static_cast<PACL>(result.dacl.get());
  api.InitializeAcl(newDacl, newSize, ACL_REVISION);
  const DWORD firstInherited = CopyEntries(api, oldDacl, count, 0, true, users.get(), newDacl);
  api.AddAccessAllowedAce(newDacl, ACL_REVISION, accessMask, users.get());
  CopyEntries(api, oldDacl, count, firstInherited, false, users.get(), newDacl);

  result.descriptor = AllocateZeroed(SECURITY_DESCRIPTOR_MIN_LENGTH);
  api.InitializeSecurityDescriptor(result.descriptor.get(), SECURITY_DESCRIPTOR_REVISION);
  api.SetSecurityDescriptorDacl(result.descriptor.get(), true, newDacl, false);
  TakeOverDaclControl(api, current, result.descriptor.get());
  return result;
}

bool GrantUsersFileAccess(const std::wstring& path, DWORD accessMask) {
  try {
    SecurityApi& api = SecurityApi::Get();
    const UniqueLocalMemory current = ReadDaclDescriptor(api, path);
    const DaclDescriptor updated = UsersAccessDescriptor(current.get(), accessMask);
    api.SetFileSecurity(path.c_str(), DACL_SECURITY_INFORMATION, updated.descriptor.get());
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace qw
