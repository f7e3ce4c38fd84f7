// The security service against the real token and advapi32: the error
// convention, the well-known SIDs, the administrator test, token
// privileges and the security of the shared named objects.

#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <system_error>
#include <vector>

#include "platform/handles.h"
#include "platform/object_security.h"
#include "platform/security.h"
#include "platform/security_api.h"
#include "platform/well_known_sid.h"

namespace qw {
namespace {

std::wstring SidString(PSID sid) {
  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(sid, &text)) return L"?";
  const UniqueLocalMemory owner(text);
  return text;
}

TEST(SecurityApi, ErrorCodesAreHresults) {
  EXPECT_EQ(HResultFromWin32(ERROR_ACCESS_DENIED), static_cast<HRESULT>(0x80070005));
  EXPECT_EQ(HResultFromWin32(ERROR_NOT_ALL_ASSIGNED), static_cast<HRESULT>(0x80070514));
  EXPECT_EQ(HResultFromWin32(0), 0);
  EXPECT_EQ(HResultFromWin32(static_cast<DWORD>(E_NOTIMPL)), E_NOTIMPL);

  try {
    SecurityApi::Get().LookupPrivilegeValue(nullptr, L"SeNoSuchPrivilege");
    ADD_FAILURE() << "an unknown privilege was found";
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code(), std::error_code(HResultFromWin32(ERROR_NO_SUCH_PRIVILEGE),
                                            std::system_category()));
  }
}

TEST(SecurityApi, InvalidSidIsAnInvalidArgument) {
  BYTE garbage[16] = {0xFF, 0xFF};
  try {
    SecurityApi::Get().GetLengthSid(garbage);
    ADD_FAILURE() << "an invalid SID was measured";
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code().value(), E_INVALIDARG);
  }
}

TEST(WellKnownSid, MakesTheThreeGroups) {
  EXPECT_EQ(SidString(WellKnownSid(WellKnownGroup::Everyone).get()), L"S-1-1-0");
  EXPECT_EQ(SidString(WellKnownSid(WellKnownGroup::Administrators).get()), L"S-1-5-32-544");
  EXPECT_EQ(SidString(WellKnownSid(WellKnownGroup::Users).get()), L"S-1-5-32-545");
}

// Whether this process's token is an elevated member of Administrators,
// asked of the system directly; `finding` says what was seen.
bool ElevatedAdministratorToken(std::string& finding) {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) {
    finding = "probe: OpenProcessToken failed with " + std::to_string(::GetLastError());
    return false;
  }
  const UniqueHandle token(raw);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  const bool elevationKnown =
      ::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size);
  BOOL member = FALSE;
  WellKnownSid administrators(WellKnownGroup::Administrators);
  // The membership of the thread's effective token, which is the process's.
  const bool membershipKnown = ::CheckTokenMembership(nullptr, administrators.get(), &member);
  finding = std::string("probe: CheckTokenMembership(Administrators) ") +
            (membershipKnown ? (member ? "true" : "false") : "failed") + ", TokenElevation " +
            (elevationKnown ? (elevation.TokenIsElevated ? "elevated" : "not elevated") : "unknown");
  return membershipKnown && member && (!elevationKnown || elevation.TokenIsElevated);
}

TEST(IsUserAdministrator, TrueForAnElevatedAdministrator) {
  // Wine runs every program as an elevated member of Administrators; on
  // Windows it depends on the account running the test.
  std::string finding;
  if (!ElevatedAdministratorToken(finding)) GTEST_SKIP() << finding << ": not an elevated administrator";
  EXPECT_TRUE(IsUserAdministrator()) << finding;
}

TEST(IsUserAdministrator, FalseWhenAdministratorsIsForDenyOnly) {
  // The thread impersonates a copy of its token in which Administrators is
  // for deny only, as in an unelevated administrator's token.
  UniqueHandle token;
  {
    HANDLE raw = nullptr;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, &raw));
    token.reset(raw);
  }
  WellKnownSid administrators(WellKnownGroup::Administrators);
  SID_AND_ATTRIBUTES disabled{administrators.get(), 0};
  HANDLE raw = nullptr;
  ASSERT_TRUE(::CreateRestrictedToken(token.get(), 0, 1, &disabled, 0, nullptr, 0, nullptr, &raw))
      << "CreateRestrictedToken failed with " << ::GetLastError();
  UniqueHandle restricted(raw);
  HANDLE rawImpersonation = nullptr;
  ASSERT_TRUE(::DuplicateToken(restricted.get(), SecurityImpersonation, &rawImpersonation));
  UniqueHandle impersonation(rawImpersonation);
  ASSERT_TRUE(::SetThreadToken(nullptr, impersonation.get()));
  const bool administrator = IsUserAdministrator();
  ::RevertToSelf();
  EXPECT_FALSE(administrator);
}

// The privilege's state in the process token: -1 when the token lacks it,
// otherwise 1 when enabled and 0 when not.
int PrivilegeState(const wchar_t* name) {
  LUID luid{};
  if (!::LookupPrivilegeValueW(nullptr, name, &luid)) return -1;
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return -1;
  const UniqueHandle token(raw);
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  if (!::GetTokenInformation(token.get(), TokenPrivileges, buffer.data(), size, &size)) return -1;
  const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    const LUID_AND_ATTRIBUTES& p = privileges->Privileges[i];
    if (p.Luid.LowPart == luid.LowPart && p.Luid.HighPart == luid.HighPart) {
      return (p.Attributes & SE_PRIVILEGE_ENABLED) ? 1 : 0;
    }
  }
  return -1;
}

TEST(EnableTokenPrivilege, SwitchesAHeldPrivilegeOnAndOff) {
  const int before = PrivilegeState(SE_BACKUP_NAME);
  if (before < 0) {
    GTEST_SKIP() << "probe: GetTokenInformation(TokenPrivileges) lists no SeBackupPrivilege in this "
                    "process's token";
  }
  EXPECT_TRUE(EnableTokenPrivilege(SE_BACKUP_NAME, true));
  EXPECT_EQ(PrivilegeState(SE_BACKUP_NAME), 1);
  EXPECT_TRUE(EnableTokenPrivilege(SE_BACKUP_NAME, true));  // enabling twice keeps it on
  EXPECT_EQ(PrivilegeState(SE_BACKUP_NAME), 1);
  EXPECT_TRUE(EnableTokenPrivilege(SE_BACKUP_NAME, false));
  EXPECT_EQ(PrivilegeState(SE_BACKUP_NAME), 0);
  EXPECT_TRUE(EnableTokenPrivilege(SE_BACKUP_NAME, false));
  EXPECT_EQ(PrivilegeState(SE_BACKUP_NAME), 0);
  EXPECT_TRUE(EnableTokenPrivilege(SE_RESTORE_NAME, true));
  EXPECT_EQ(PrivilegeState(SE_RESTORE_NAME), 1);
}

TEST(EnableTokenPrivilege, FalseForAPrivilegeTheTokenLacks) {
  const wchar_t* lacking = nullptr;
  for (const wchar_t* name : {SE_CREATE_TOKEN_NAME, SE_TCB_NAME, SE_ASSIGNPRIMARYTOKEN_NAME,
                              SE_LOCK_MEMORY_NAME, SE_MACHINE_ACCOUNT_NAME, SE_RELABEL_NAME,
                              SE_TRUSTED_CREDMAN_ACCESS_NAME}) {
    if (PrivilegeState(name) < 0) {
      lacking = name;
      break;
    }
  }
  if (!lacking) {
    GTEST_SKIP() << "probe: GetTokenInformation(TokenPrivileges) lists every one of the seven "
                    "candidate privileges in this process's token";
  }
  EXPECT_FALSE(EnableTokenPrivilege(lacking, true));
  EXPECT_FALSE(EnableTokenPrivilege(lacking, false));
  EXPECT_FALSE(EnableTokenPrivilege(L"SeNoSuchPrivilege", true));
}

TEST(BuildObjectSecurity, OneEntryForEveryone) {
  const ObjectSecurity security = BuildObjectSecurity(SEMAPHORE_ALL_ACCESS);
  EXPECT_EQ(security.attributes.nLength, sizeof(SECURITY_ATTRIBUTES));
  EXPECT_FALSE(security.attributes.bInheritHandle);
  ASSERT_EQ(security.attributes.lpSecurityDescriptor, security.descriptor.get());
  BOOL present = FALSE, defaulted = TRUE;
  PACL dacl = nullptr;
  ASSERT_TRUE(::GetSecurityDescriptorDacl(security.descriptor.get(), &present, &dacl, &defaulted));
  EXPECT_TRUE(present);
  EXPECT_FALSE(defaulted);
  ASSERT_EQ(dacl, security.acl.get());
  ASSERT_EQ(dacl->AceCount, 1);
  void* ace = nullptr;
  ASSERT_TRUE(::GetAce(dacl, 0, &ace));
  auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
  EXPECT_EQ(allowed->Mask, static_cast<DWORD>(SEMAPHORE_ALL_ACCESS));
  EXPECT_EQ(allowed->Header.AceFlags, 0);
  EXPECT_EQ(SidString(&allowed->SidStart), L"S-1-1-0");
}

}  // namespace
}  // namespace qw
