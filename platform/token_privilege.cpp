#include "platform/security.h"

#include "platform/security_api.h"

namespace qw {

bool EnableTokenPrivilege(const std::wstring& name, bool enable) {
  try {
    SecurityApi& api = SecurityApi::Get();
    const UniqueHandle token =
        api.OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY);
    const LUID luid = api.LookupPrivilegeValue(nullptr, name.c_str());

    // The first adjustment (attributes 0) reports the privilege's current
    // state and fails when the token does not hold it; the second one writes
    // that state back with the enabled bit set as asked.
    TOKEN_PRIVILEGES request{};
    request.PrivilegeCount = 1;
    request.Privileges[0].Luid = luid;
    TOKEN_PRIVILEGES previous{};
    DWORD previousSize = sizeof(previous);
    api.AdjustTokenPrivileges(token.get(), &request, sizeof(request), &previous, &previousSize);

    previous.PrivilegeCount = 1;
    previous.Privileges[0].Luid = luid;
    if (enable) {
      previous.Privileges[0].Attributes |= SE_PRIVILEGE_ENABLED;
    } else {
      previous.Privileges[0].Attributes &= ~static_cast<DWORD>(SE_PRIVILEGE_ENABLED);
    }
    api.AdjustTokenPrivileges(token.get(), &previous, previousSize, nullptr, nullptr);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace qw
