#include "platform_probes.h"

#include <windows.h>
#include <sddl.h>

#include <sstream>
#include <vector>

#include "platform/handles.h"
#include "test_text.h"

namespace qw::test {
namespace {

// A path in the temporary folder that nothing uses yet.
std::wstring ScratchPath(const wchar_t* prefix) {
  wchar_t folder[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + prefix + std::to_wstring(::GetCurrentProcessId()) + L"_" +
         std::to_wstring(::GetTickCount()) + L".tmp";
}

// Switches `name` on or off in the process token; false when the token
// does not hold it.
bool SetPrivilege(const wchar_t* name, bool on) {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return false;
  const UniqueHandle token(raw);
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = on ? SE_PRIVILEGE_ENABLED : 0;
  if (!::LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid)) return false;
  return ::AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr) &&
         ::GetLastError() == ERROR_SUCCESS;
}

std::wstring StringValue(HKEY key, const wchar_t* name) {
  wchar_t data[64] = {};
  DWORD size = sizeof data - sizeof(wchar_t), type = 0;
  if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
    return L"<none>";
  return data;
}

void SetStringValue(HKEY key, const wchar_t* name, const std::wstring& value) {
  ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// An entry of a DACL as text: SID, mask, flags.
std::string EntryText(const ACCESS_ALLOWED_ACE* ace) {
  wchar_t* sid = nullptr;
  ::ConvertSidToStringSidW(const_cast<DWORD*>(&ace->SidStart), &sid);
  const UniqueLocalMemory owner(sid);
  std::ostringstream text;
  text << (sid ? Narrow(sid) : "?") << " mask 0x" << std::hex << ace->Mask << " flags 0x"
       << int(ace->Header.AceFlags);
  return text.str();
}

std::vector<std::string> DaclEntries(PSECURITY_DESCRIPTOR descriptor) {
  std::vector<std::string> entries;
  BOOL present = FALSE, defaulted = FALSE;
  PACL acl = nullptr;
  if (!::GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted) || !present) return {"<no DACL>"};
  if (!acl) return {"<null DACL>"};
  for (DWORD i = 0; i < acl->AceCount; ++i) {
    void* ace = nullptr;
    if (::GetAce(acl, i, &ace)) entries.push_back(EntryText(static_cast<ACCESS_ALLOWED_ACE*>(ace)));
  }
  return entries;
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
  return "[" + text + "]";
}

}  // namespace

ProbeResult ProbeRegistryRestore() {
  const std::wstring path = L"Software\\QwProbeRestore_" + std::to_wstring(::GetCurrentProcessId());
  const std::wstring hive = ScratchPath(L"qw_probe_hive_");
  ProbeResult result;
  HKEY raw = nullptr;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw,
                        nullptr) != ERROR_SUCCESS) {
    result.finding = "probe: cannot create a scratch key under HKEY_LOCAL_MACHINE";
    return result;
  }
  {
    const UniqueRegKey key(raw);
    SetStringValue(key.get(), L"State", L"saved");
    SetPrivilege(SE_BACKUP_NAME, true);
    const LONG saved = ::RegSaveKeyW(key.get(), hive.c_str(), nullptr);
    SetPrivilege(SE_BACKUP_NAME, false);
    if (saved != ERROR_SUCCESS) {
      result.finding = "probe: RegSaveKeyW of a scratch key failed with " + std::to_string(saved);
    } else {
      SetStringValue(key.get(), L"State", L"changed");
      SetStringValue(key.get(), L"Added", L"after the save");
      SetPrivilege(SE_RESTORE_NAME, true);
      const LONG restored = ::RegRestoreKeyW(key.get(), hive.c_str(), 0);
      SetPrivilege(SE_RESTORE_NAME, false);
      const std::wstring state = StringValue(key.get(), L"State");
      const std::wstring added = StringValue(key.get(), L"Added");
      result.works = restored == ERROR_SUCCESS && state == L"saved" && added == L"<none>";
      result.finding = "probe: a scratch key saved by RegSaveKeyW, then changed; RegRestoreKeyW returned " +
                       std::to_string(restored) + " and left State=\"" + Narrow(state) + "\" (saved \"saved\"), Added=\"" +
                       Narrow(added) + "\" (absent when saved): " +
                       (result.works ? "the restore works" : "RegRestoreKeyW does not restore the saved key");
    }
  }
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str());
  ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
  ::DeleteFileW(hive.c_str());
  return result;
}

ProbeResult ProbeFileDacl() {
  const std::wstring path = ScratchPath(L"qw_probe_dacl_");
  ProbeResult result;
  {
    const UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    if (!file) {
      result.finding = "probe: cannot create a scratch file";
      return result;
    }
  }
  // Administrators full access, Users read and run, Everyone (inherited)
  // read attributes: masks and flags a made-up DACL would not have.
  const wchar_t* sids[] = {L"S-1-5-32-544", L"S-1-5-32-545", L"S-1-1-0"};
  const DWORD masks[] = {FILE_ALL_ACCESS, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, FILE_READ_ATTRIBUTES};
  const BYTE flags[] = {0, 0, INHERITED_ACE};
  std::vector<BYTE> aclBuffer(512);
  auto* acl = reinterpret_cast<PACL>(aclBuffer.data());
  SECURITY_DESCRIPTOR descriptor{};
  bool built = ::InitializeAcl(acl, static_cast<DWORD>(aclBuffer.size()), ACL_REVISION) &&
               ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  for (int i = 0; i < 3 && built; ++i) {
    PSID sid = nullptr;
    built = ::ConvertStringSidToSidW(sids[i], &sid);
    const UniqueLocalMemory owner(sid);
    built = built && ::AddAccessAllowedAceEx(acl, ACL_REVISION, flags[i], masks[i], sid);
  }
  built = built && ::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
  const std::vector<std::string> written = DaclEntries(&descriptor);
  const BOOL set = built && ::SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, &descriptor);
  const DWORD setError = set ? 0 : ::GetLastError();
  DWORD size = 0;
  ::GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
  std::vector<BYTE> buffer(size ? size : 1);
  std::vector<std::string> read = {"<GetFileSecurityW failed>"};
  if (::GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, buffer.data(), size, &size))
    read = DaclEntries(buffer.data());
  ::DeleteFileW(path.c_str());

  result.works = set && read == written;
  result.finding = "probe: SetFileSecurityW " + (set ? std::string("succeeded") : "failed with " + std::to_string(setError)) +
                   " writing the DACL " + Joined(written) + " to a scratch file; GetFileSecurityW read back " +
                   Joined(read) + ": " + (result.works ? "file DACLs are kept" : "this platform does not keep a file's DACL");
  return result;
}

ProbeResult ProbeNotContentIndexedAttribute() {
  const std::wstring path = ScratchPath(L"qw_probe_attributes_");
  ProbeResult result;
  {
    const UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    if (!file) {
      result.finding = "probe: cannot create a scratch file";
      return result;
    }
  }
  const DWORD wanted = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const BOOL set = ::SetFileAttributesW(path.c_str(), wanted);
  const DWORD read = ::GetFileAttributesW(path.c_str());
  ::DeleteFileW(path.c_str());
  result.works = set && read != INVALID_FILE_ATTRIBUTES && (read & FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
  std::ostringstream text;
  text << "probe: SetFileAttributesW(ARCHIVE | NOT_CONTENT_INDEXED = 0x" << std::hex << wanted << ") on a scratch file "
       << (set ? "succeeded" : "failed") << ", GetFileAttributesW then gave 0x" << read << ": "
       << (result.works ? "the attribute is kept" : "this platform does not keep FILE_ATTRIBUTE_NOT_CONTENT_INDEXED");
  result.finding = text.str();
  return result;
}

ProbeResult ProbeCreationPriorityClass() {
  wchar_t system[MAX_PATH] = {};
  ::GetSystemDirectoryW(system, MAX_PATH);
  std::wstring commandLine = L"\"" + std::wstring(system) + L"\\cmd.exe\" /c exit";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  ProbeResult result;
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, HIGH_PRIORITY_CLASS | CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &process)) {
    result.finding = "probe: cannot start cmd.exe";
    return result;
  }
  const UniqueHandle processHandle(process.hProcess);
  const UniqueHandle threadHandle(process.hThread);
  const DWORD priority = ::GetPriorityClass(processHandle.get());
  ::TerminateProcess(processHandle.get(), 0);
  result.works = priority == HIGH_PRIORITY_CLASS;
  std::ostringstream text;
  text << "probe: cmd.exe created with HIGH_PRIORITY_CLASS (0x80) has priority class 0x" << std::hex << priority
       << ": " << (result.works ? "kept" : "this platform does not give a new process its creation priority class");
  result.finding = text.str();
  return result;
}

ProbeResult ProbeUnixLocaleStart() {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  const bool wine = ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
  const bool env = ::GetFileAttributesW(L"Z:\\usr\\bin\\env") != INVALID_FILE_ATTRIBUTES;
  ProbeResult result;
  result.works = wine && env;
  result.finding = std::string("probe: ntdll ") + (wine ? "exports" : "does not export") +
                   " wine_get_version and Z:\\usr\\bin\\env " + (env ? "exists" : "does not exist") + ": " +
                   (result.works ? "a child can be started in a Unix locale of its own"
                                 : "no child can be given a user language of its own here");
  return result;
}

}  // namespace qw::test
