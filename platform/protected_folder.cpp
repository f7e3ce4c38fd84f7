#include "platform/protected_folder.h"

#include "platform/security_api.h"
#include "platform/well_known_sid.h"

namespace qw {

DaclDescriptor ProtectedFolderDescriptor() {
  SecurityApi& api = SecurityApi::Get();
  const WellKnownSid administrators(WellKnownGroup::Administrators);
  const WellKnownSid system(WellKnownGroup::LocalSystem);
  const WellKnownSid users(WellKnownGroup::Users);
  constexpr BYTE kInherited = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

  // The ACL header, then each entry's header and mask (8 bytes) and its SID.
  const DWORD size = static_cast<DWORD>(sizeof(ACL)) + 3 * 8 + api.GetLengthSid(administrators.get()) +
                     api.GetLengthSid(system.get()) + api.GetLengthSid(users.get());
  DaclDescriptor result;
  result.dacl = AllocateZeroed(size);
  auto* dacl = static_cast<PACL>(result.dacl.get());
  api.InitializeAcl(dacl, size, ACL_REVISION);
  api.AddAccessAllowedAceEx(dacl, ACL_REVISION, kInherited, kProtectedFolderFullAccess,
                            administrators.get());
  api.AddAccessAllowedAceEx(dacl, ACL_REVISION, kInherited, kProtectedFolderFullAccess, system.get());
  api.AddAccessAllowedAceEx(dacl, ACL_REVISION, kInherited, kProtectedFolderUsersAccess, users.get());

  result.descriptor = AllocateZeroed(SECURITY_DESCRIPTOR_MIN_LENGTH);
  api.InitializeSecurityDescriptor(result.descriptor.get(), SECURITY_DESCRIPTOR_REVISION);
  api.SetSecurityDescriptorDacl(result.descriptor.get(), true, dacl, false);
  api.SetSecurityDescriptorControl(result.descriptor.get(), SE_DACL_PROTECTED, SE_DACL_PROTECTED);
  return result;
}

std::error_code CreateProtectedFolder(const std::wstring& path) {
  try {
    const DaclDescriptor protection = ProtectedFolderDescriptor();
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof(attributes);
    attributes.lpSecurityDescriptor = protection.descriptor.get();
    attributes.bInheritHandle = FALSE;
    SecurityApi::Get().CreateFolder(path.c_str(), &attributes);
    return {};
  } catch (const std::system_error& error) {
    // The table raises Win32 failures as HRESULTs; give back the Win32 code.
    const auto value = static_cast<DWORD>(error.code().value());
    if ((value & 0xFFFF0000u) == 0x80070000u) {
      return std::error_code(static_cast<int>(value & 0xFFFF), std::system_category());
    }
    return error.code();
  }
}

}  // namespace qw
