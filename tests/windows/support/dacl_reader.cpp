#include "dacl_reader.h"

#include <sddl.h>

#include <cstring>

#include "platform/handles.h"

namespace qw::test {

void PrintTo(const DaclEntry& entry, std::ostream* os) {
  *os << std::string(entry.sid.begin(), entry.sid.end()) << " mask " << std::hex << entry.mask << " flags "
      << int(entry.flags);
}

Dacl DaclOf(PSECURITY_DESCRIPTOR descriptor) {
  Dacl result;
  DWORD revision = 0;
  ::GetSecurityDescriptorControl(descriptor, &result.control, &revision);
  BOOL present = FALSE, defaulted = FALSE;
  PACL acl = nullptr;
  ::GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted);
  result.present = present != FALSE;
  result.null = present && !acl;
  for (DWORD i = 0; acl && i < acl->AceCount; ++i) {
    void* ace = nullptr;
    ::GetAce(acl, i, &ace);
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    wchar_t* sid = nullptr;
    ::ConvertSidToStringSidW(&allowed->SidStart, &sid);
    const UniqueLocalMemory owner(sid);
    result.entries.push_back({sid ? sid : L"?", allowed->Mask, allowed->Header.AceFlags});
  }
  return result;
}

BOOL ServeDescriptor(const std::vector<BYTE>& served, PSECURITY_DESCRIPTOR descriptor, DWORD size,
                     LPDWORD needed) {
  *needed = static_cast<DWORD>(served.size());
  if (size < served.size()) {
    ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(descriptor, served.data(), served.size());
  return TRUE;
}

}  // namespace qw::test
