#pragma once
// SecurityApi: the advapi32.dll security functions the maker's library uses,
// bound by name on first use and kept for the rest of the process, and
// kernel32's CreateDirectoryW, the call that gives a new folder a descriptor
// of its own (kept here so that the test seam below covers it). Every
// wrapper raises a failure as a std::system_error whose code value is an
// HRESULT (in the operating-system category):
//   advapi32.dll not loadable          E_UNEXPECTED
//   function not exported              E_NOTIMPL
//   function reports failure           HRESULT_FROM_WIN32(GetLastError())
//   invalid SID (GetLengthSid, EqualSid) E_INVALIDARG
//   no memory for an ACL or descriptor E_OUTOFMEMORY (AllocateZeroed)
// It is a thin table, not a security library: callers keep the Windows
// calling conventions (buffers, sizes) and build the operations on top.
// Used from the user-interface thread; the lazy binding takes no lock.

#include <windows.h>

#include <cstddef>

#include "platform/handles.h"

namespace qw {

// The HRESULT of a Win32 error code: codes above 0 become 0x8007xxxx with
// the low 16 bits; 0 and negative values (already HRESULTs) stay.
HRESULT HResultFromWin32(DWORD code);

// Raises `hr` as the security service's error.
[[noreturn]] void RaiseSecurityError(HRESULT hr);

// A zero-filled buffer of `size` bytes from LocalAlloc; raises E_OUTOFMEMORY
// when the memory cannot be obtained.
UniqueLocalMemory AllocateZeroed(std::size_t size);

class SecurityApi {
 public:
  // The process-wide table (entries start empty; the module is never freed).
  static SecurityApi& Get();

  PSID AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD sub0,
                                DWORD sub1, DWORD sub2 = 0, DWORD sub3 = 0, DWORD sub4 = 0,
                                DWORD sub5 = 0);
  void FreeSid(PSID sid);
  bool EqualSid(PSID a, PSID b);
  DWORD GetLengthSid(PSID sid);
  bool IsValidSid(PSID sid);
  // Membership of `sid` in `token` (null: the thread's effective token).
  bool CheckTokenMembership(HANDLE token, PSID sid);
  UniqueHandle OpenProcessToken(HANDLE process, DWORD access);
  // The TOKEN_USER of `token` (its user's SID follows it in the buffer).
  UniqueLocalMemory GetTokenUser(HANDLE token);
  LUID LookupPrivilegeValue(const wchar_t* systemName, const wchar_t* name);
  // Succeeds only when every privilege was adjusted (last error 0), so a
  // privilege the token does not hold raises ERROR_NOT_ALL_ASSIGNED.
  void AdjustTokenPrivileges(HANDLE token, TOKEN_PRIVILEGES* newState, DWORD newStateSize,
                             TOKEN_PRIVILEGES* previousState, DWORD* previousStateSize);
  // Returns the size the descriptor needs. A too small buffer (also none, to
  // ask for the size) is not an error; the descriptor is then not read.
  DWORD GetFileSecurity(const wchar_t* path, SECURITY_INFORMATION info,
                        PSECURITY_DESCRIPTOR descriptor, DWORD size);
  void SetFileSecurity(const wchar_t* path, SECURITY_INFORMATION info,
                       PSECURITY_DESCRIPTOR descriptor);
  // CreateDirectoryW (kernel32, not bound by name): a new folder whose
  // descriptor is the one of `attributes` (null: inherited as usual).
  void CreateFolder(const wchar_t* path, SECURITY_ATTRIBUTES* attributes);
  // `present` is false when the descriptor has no DACL; `dacl` may then be
  // anything, and it is null for a null DACL.
  // The owner SID inside `descriptor`; null when it has none.
  PSID GetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR descriptor);
  void GetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, bool* present, PACL* dacl,
                                 bool* defaulted);
  ACL_SIZE_INFORMATION GetAclSizeInformation(PACL acl);
  void InitializeAcl(PACL acl, DWORD size, DWORD revision);
  void* GetAce(PACL acl, DWORD index);
  void AddAce(PACL acl, DWORD revision, DWORD startIndex, void* aces, DWORD size);
  void AddAccessAllowedAce(PACL acl, DWORD revision, DWORD mask, PSID sid);
  void AddAccessAllowedAceEx(PACL acl, DWORD revision, DWORD flags, DWORD mask, PSID sid);
  void InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision);
  void SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, bool present, PACL dacl,
                                 bool defaulted);
  SECURITY_DESCRIPTOR_CONTROL GetSecurityDescriptorControl(PSECURITY_DESCRIPTOR descriptor);
  void SetSecurityDescriptorControl(PSECURITY_DESCRIPTOR descriptor,
                                    SECURITY_DESCRIPTOR_CONTROL mask,
                                    SECURITY_DESCRIPTOR_CONTROL bits);

  // Test seam, the only one: the entries that read and write a file's
  // descriptor (creating a folder with one included), so that a test sees
  // the exact arguments handed to the system where the file system cannot
  // show the result. A null member stands for the system's function, bound
  // again on next use. Returns the entries it replaced (null where not
  // bound yet).
  struct FileSecurityFunctions {
    decltype(&::GetFileSecurityW) get = nullptr;
    decltype(&::SetFileSecurityW) set = nullptr;
    decltype(&::CreateDirectoryW) createFolder = nullptr;
  };
  FileSecurityFunctions ReplaceFileSecurityFunctions(FileSecurityFunctions functions);

 private:
  SecurityApi() = default;

  HMODULE Module();
  // The entry `slot`, bound to the export `name` on first use.
  template <typename Function>
  Function Bind(Function& slot, const char* name);

  HMODULE module_ = nullptr;
  decltype(&::AllocateAndInitializeSid) allocateAndInitializeSid_ = nullptr;
  decltype(&::FreeSid) freeSid_ = nullptr;
  decltype(&::EqualSid) equalSid_ = nullptr;
  decltype(&::GetLengthSid) getLengthSid_ = nullptr;
  decltype(&::IsValidSid) isValidSid_ = nullptr;
  decltype(&::CheckTokenMembership) checkTokenMembership_ = nullptr;
  decltype(&::OpenProcessToken) openProcessToken_ = nullptr;
  decltype(&::GetTokenInformation) getTokenInformation_ = nullptr;
  decltype(&::LookupPrivilegeValueW) lookupPrivilegeValue_ = nullptr;
  decltype(&::AdjustTokenPrivileges) adjustTokenPrivileges_ = nullptr;
  decltype(&::GetFileSecurityW) getFileSecurity_ = nullptr;
  decltype(&::SetFileSecurityW) setFileSecurity_ = nullptr;
  decltype(&::CreateDirectoryW) createFolder_ = nullptr;
  decltype(&::GetSecurityDescriptorOwner) getSecurityDescriptorOwner_ = nullptr;
  decltype(&::GetSecurityDescriptorDacl) getSecurityDescriptorDacl_ = nullptr;
  decltype(&::GetAclInformation) getAclInformation_ = nullptr;
  decltype(&::InitializeAcl) initializeAcl_ = nullptr;
  decltype(&::GetAce) getAce_ = nullptr;
  decltype(&::AddAce) addAce_ = nullptr;
  decltype(&::AddAccessAllowedAce) addAccessAllowedAce_ = nullptr;
  decltype(&::AddAccessAllowedAceEx) addAccessAllowedAceEx_ = nullptr;
  decltype(&::InitializeSecurityDescriptor) initializeSecurityDescriptor_ = nullptr;
  decltype(&::SetSecurityDescriptorDacl) setSecurityDescriptorDacl_ = nullptr;
  decltype(&::GetSecurityDescriptorControl) getSecurityDescriptorControl_ = nullptr;
  decltype(&::SetSecurityDescriptorControl) setSecurityDescriptorControl_ = nullptr;
};

}  // namespace qw
