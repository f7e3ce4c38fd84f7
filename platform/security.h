#pragma once
// The maker's security service: the administrator test, token privileges
// and file access for the Users group.

#include <windows.h>

#include <string>

namespace qw {

bool IsUserAdministrator();
bool EnableTokenPrivilege(const std::wstring& name, bool enable);
bool GrantUsersFileAccess(const std::wstring& path, DWORD accessMask);

}  // namespace qw
