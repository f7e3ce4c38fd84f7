#pragma once
// The maker's security service, built on SecurityApi: the administrator test
// of start-up, switching a privilege of the process token, and giving the
// Users group access to an installed file. Each operation is a test for its
// caller: it catches the service's errors and answers false.

#include <windows.h>

#include <string>

namespace qw {

// Whether the calling thread's effective token is a member of Administrators.
// An unelevated administrator under user account control holds that group
// for deny only and is not a member. False on any error.
bool IsUserAdministrator();

// Switches the privilege `name` (for example L"SeBackupPrivilege") of the
// process token on or off. False when the token does not hold the privilege
// (the token is then unchanged) or on any other error.
bool EnableTokenPrivilege(const std::wstring& name, bool enable);

// Gives the Users group exactly `accessMask` on the file or folder `path`:
// one explicit Users entry, after the other explicit entries and before the
// inherited ones, replacing any Users entries; every other entry is kept.
// A protected DACL stays protected; an auto-inherited one stays so. False on
// any error, the file's security then being unchanged (unless writing it
// failed half-way). The new descriptor is made by UsersAccessDescriptor
// (users_file_access.h).
bool GrantUsersFileAccess(const std::wstring& path, DWORD accessMask);

}  // namespace qw
