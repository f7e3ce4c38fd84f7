#include "platform/security_api.h"

#include <system_error>

namespace qw {

HRESULT HResultFromWin32(DWORD code) {
  const auto value = static_cast<HRESULT>(code);
  if (value <= 0) return value;
  return static_cast<HRESULT>((code & 0xFFFF) | 0x80070000u);
}

void RaiseSecurityError(HRESULT hr) {
  throw std::system_error(std::error_code(static_cast<int>(hr), std::system_category()));
}

UniqueLocalMemory AllocateZeroed(std::size_t size) {
  UniqueLocalMemory memory(::LocalAlloc(LPTR, size));
  if (!memory) RaiseSecurityError(E_OUTOFMEMORY);
  return memory;
}

namespace {

[[noreturn]] void RaiseLastError() { RaiseSecurityError(HResultFromWin32(::GetLastError())); }

}  // namespace

SecurityApi& SecurityApi::Get() {
  static SecurityApi table;
  return table;
}

HMODULE SecurityApi::Module() {
  if (!module_) {
    HMODULE module = ::GetModuleHandleW(L"advapi32.dll");
    if (!module) module = ::LoadLibraryExW(L"advapi32.dll", nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    if (!module) module = ::LoadLibraryExW(L"advapi32.dll", nullptr, 0);
    if (!module) RaiseSecurityError(E_UNEXPECTED);
    module_ = module;
  }
  return module_;
}

template <typename Function>
Function SecurityApi::Bind(Function& slot, const char* name) {
  if (!slot) {
    FARPROC address = ::GetProcAddress(Module(), name);
    if (!address) RaiseSecurityError(E_NOTIMPL);
    slot = reinterpret_cast<Function>(reinterpret_cast<void*>(address));
  }
  return slot;
}

PSID SecurityApi::AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE count,
                                           DWORD sub0, DWORD sub1, DWORD sub2, DWORD sub3,
                                           DWORD sub4, DWORD sub5) {
  auto function = Bind(allocateAndInitializeSid_, "AllocateAndInitializeSid");
  PSID sid = nullptr;
  if (!function(authority, count, sub0, sub1, sub2, sub3, sub4, sub5, 0, 0, &sid)) RaiseLastError();
  return sid;
}

void SecurityApi::FreeSid(PSID sid) { Bind(freeSid_, "FreeSid")(sid); }

bool SecurityApi::EqualSid(PSID a, PSID b) {
  auto function = Bind(equalSid_, "EqualSid");
  if (!IsValidSid(a) || !IsValidSid(b)) RaiseSecurityError(E_INVALIDARG);
  // EqualSid reports "not equal" as failure with last error 0.
  ::SetLastError(ERROR_SUCCESS);
  if (function(a, b)) return true;
  if (::GetLastError() != ERROR_SUCCESS) RaiseLastError();
  return false;
}

DWORD SecurityApi::GetLengthSid(PSID sid) {
  auto function = Bind(getLengthSid_, "GetLengthSid");
  if (!IsValidSid(sid)) RaiseSecurityError(E_INVALIDARG);
  return function(sid);
}

bool SecurityApi::IsValidSid(PSID sid) {
  return sid && Bind(isValidSid_, "IsValidSid")(sid) != FALSE;
}

bool SecurityApi::CheckTokenMembership(HANDLE token, PSID sid) {
  auto function = Bind(checkTokenMembership_, "CheckTokenMembership");
  BOOL member = FALSE;
  if (!function(token, sid, &member)) RaiseLastError();
  return member != FALSE;
}

UniqueHandle SecurityApi::OpenProcessToken(HANDLE process, DWORD access) {
  auto function = Bind(openProcessToken_, "OpenProcessToken");
  HANDLE token = nullptr;
  if (!function(process, access, &token)) RaiseLastError();
  return UniqueHandle(token);
}

UniqueLocalMemory SecurityApi::GetTokenUser(HANDLE token) {
  auto function = Bind(getTokenInformation_, "GetTokenInformation");
  DWORD size = 0;
  if (!function(token, TokenUser, nullptr, 0, &size) && ::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
    RaiseLastError();
  }
  UniqueLocalMemory user = AllocateZeroed(size);
  if (!function(token, TokenUser, user.get(), size, &size)) RaiseLastError();
  return user;
}

LUID SecurityApi::LookupPrivilegeValue(const wchar_t* systemName, const wchar_t* name) {
  auto function = Bind(lookupPrivilegeValue_, "LookupPrivilegeValueW");
  LUID luid{};
  if (!function(systemName, name, &luid)) RaiseLastError();
  return luid;
}

void SecurityApi::AdjustTokenPrivileges(HANDLE token, TOKEN_PRIVILEGES* newState,
                                        DWORD newStateSize, TOKEN_PRIVILEGES* previousState,
                                        DWORD* previousStateSize) {
  auto function = Bind(adjustTokenPrivileges_, "AdjustTokenPrivileges");
  if (!function(token, FALSE, newState, newStateSize, previousState, previousStateSize) ||
      ::GetLastError() != ERROR_SUCCESS) {
    RaiseLastError();
  }
}

DWORD SecurityApi::GetFileSecurity(const wchar_t* path, SECURITY_INFORMATION info,
                                   PSECURITY_DESCRIPTOR descriptor, DWORD size) {
  auto function = Bind(getFileSecurity_, "GetFileSecurityW");
  DWORD needed = 0;
  if (!function(path, info, descriptor, size, &needed) &&
      !(::GetLastError() == ERROR_INSUFFICIENT_BUFFER && needed > size)) {
    RaiseLastError();
  }
  return needed;
}

void SecurityApi::SetFileSecurity(const wchar_t* path, SECURITY_INFORMATION info,
                                  PSECURITY_DESCRIPTOR descriptor) {
  if (!Bind(setFileSecurity_, "SetFileSecurityW")(path, info, descriptor)) RaiseLastError();
}

void SecurityApi::CreateFolder(const wchar_t* path, SECURITY_ATTRIBUTES* attributes) {
  if (!createFolder_) createFolder_ = &::CreateDirectoryW;
  if (!createFolder_(path, attributes)) RaiseLastError();
}

SecurityApi::FileSecurityFunctions SecurityApi::ReplaceFileSecurityFunctions(
    FileSecurityFunctions functions) {
  const FileSecurityFunctions replaced{getFileSecurity_, setFileSecurity_, createFolder_};
  getFileSecurity_ = functions.get;
  setFileSecurity_ = functions.set;
  createFolder_ = functions.createFolder;
  return replaced;
}

PSID SecurityApi::GetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR descriptor) {
  auto function = Bind(getSecurityDescriptorOwner_, "GetSecurityDescriptorOwner");
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  if (!function(descriptor, &owner, &defaulted)) RaiseLastError();
  return owner;
}

void SecurityApi::GetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, bool* present,
                                            PACL* dacl, bool* defaulted) {
  auto function = Bind(getSecurityDescriptorDacl_, "GetSecurityDescriptorDacl");
  BOOL isPresent = FALSE, isDefaulted = FALSE;
  *dacl = nullptr;
  if (!function(descriptor, &isPresent, dacl, &isDefaulted)) RaiseLastError();
  *present = isPresent != FALSE;
  if (defaulted) *defaulted = isDefaulted != FALSE;
}

ACL_SIZE_INFORMATION SecurityApi::GetAclSizeInformation(PACL acl) {
  auto function = Bind(getAclInformation_, "GetAclInformation");
  ACL_SIZE_INFORMATION info{};
  if (!function(acl, &info, sizeof(info), AclSizeInformation)) RaiseLastError();
  return info;
}

void SecurityApi::InitializeAcl(PACL acl, DWORD size, DWORD revision) {
  if (!Bind(initializeAcl_, "InitializeAcl")(acl, size, revision)) RaiseLastError();
}

void* SecurityApi::GetAce(PACL acl, DWORD index) {
  auto function = Bind(getAce_, "GetAce");
  void* ace = nullptr;
  if (!function(acl, index, &ace)) RaiseLastError();
  return ace;
}

void SecurityApi::AddAce(PACL acl, DWORD revision, DWORD startIndex, void* aces, DWORD size) {
  if (!Bind(addAce_, "AddAce")(acl, revision, startIndex, aces, size)) RaiseLastError();
}

void SecurityApi::AddAccessAllowedAce(PACL acl, DWORD revision, DWORD mask, PSID sid) {
  if (!Bind(addAccessAllowedAce_, "AddAccessAllowedAce")(acl, revision, mask, sid)) {
    RaiseLastError();
  }
}

void SecurityApi::AddAccessAllowedAceEx(PACL acl, DWORD revision, DWORD flags, DWORD mask,
                                        PSID sid) {
  if (!Bind(addAccessAllowedAceEx_, "AddAccessAllowedAceEx")(acl, revision, flags, mask, sid)) {
    RaiseLastError();
  }
}

void SecurityApi::InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision) {
  if (!Bind(initializeSecurityDescriptor_, "InitializeSecurityDescriptor")(descriptor, revision)) {
    RaiseLastError();
  }
}

void SecurityApi::SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, bool present,
                                            PACL dacl, bool defaulted) {
  if (!Bind(setSecurityDescriptorDacl_, "SetSecurityDescriptorDacl")(descriptor, present, dacl,
                                                                      defaulted)) {
    RaiseLastError();
  }
}

SECURITY_DESCRIPTOR_CONTROL SecurityApi::GetSecurityDescriptorControl(
    PSECURITY_DESCRIPTOR descriptor) {
  auto function = Bind(getSecurityDescriptorControl_, "GetSecurityDescriptorControl");
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (!function(descriptor, &control, &revision)) RaiseLastError();
  return control;
}

void SecurityApi::SetSecurityDescriptorControl(PSECURITY_DESCRIPTOR descriptor,
                                               SECURITY_DESCRIPTOR_CONTROL mask,
                                               SECURITY_DESCRIPTOR_CONTROL bits) {
  if (!Bind(setSecurityDescriptorControl_, "SetSecurityDescriptorControl")(descriptor, mask,
                                                                           bits)) {
    RaiseLastError();
  }
}

}  // namespace qw
