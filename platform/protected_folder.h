#pragma once
// Folders the installation makes outside the Program Files folders get the
// protection that Program Files has: Administrators and SYSTEM may do
// everything, the Users group may read and run, and nothing is inherited
// from the parent (a drive root lets every authenticated user change what
// is created in it). Whatever is created inside inherits the same entries.
// The descriptor is given to the folder as it is created, so there is no
// moment when it carries the parent's entries.

#include <windows.h>

#include <string>
#include <system_error>

#include "platform/users_file_access.h"

namespace qw {

// Full control for Administrators and SYSTEM.
inline constexpr DWORD kProtectedFolderFullAccess = FILE_ALL_ACCESS;
// Read and execute (Windows' "Read & execute") for the Users group.
inline constexpr DWORD kProtectedFolderUsersAccess = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;

// An absolute descriptor whose DACL, marked SE_DACL_PROTECTED, has three
// entries inherited by files and folders inside (OBJECT_INHERIT_ACE |
// CONTAINER_INHERIT_ACE): Administrators and SYSTEM kProtectedFolderFullAccess,
// Users kProtectedFolderUsersAccess. Owner and group are left to the
// system. Raises the security service's error (an HRESULT).
DaclDescriptor ProtectedFolderDescriptor();

// Creates the folder `path` (its parent must exist) with that descriptor.
// Returns the operating-system error when the folder could not be created
// (ERROR_ALREADY_EXISTS when something is there already: an existing folder
// is never taken as made), or the security service's HRESULT, in the
// operating-system category, when the descriptor could not be made; nothing
// is created then.
std::error_code CreateProtectedFolder(const std::wstring& path);

}  // namespace qw
