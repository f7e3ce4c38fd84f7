#pragma once
// Whether a folder that is already there belongs to the administration of
// the machine. An elevated installation must not put programs where an
// ordinary user can rename, replace or redirect them: the owner of an
// object can always change its access list, so a folder owned by such a
// user is that user's, whatever its entries say now.
//
// Trusted owners: Administrators, SYSTEM, TrustedInstaller (the system's
// own folders), and the account that runs the installation, which is an
// administrator (the installer refuses to run otherwise; Wine reports that
// account as the owner of every file). It looks at the owner only; it does
// not pretend to judge the access list.

#include <windows.h>

#include <string>

namespace qw {

// The decision on a descriptor that was read: true when `descriptor` has
// an owner and it is one of the trusted ones, `processUser` standing for
// the account running the installation (may be null). False for a
// descriptor without owner or on any error of the security service.
bool IsTrustedOwner(PSECURITY_DESCRIPTOR descriptor, PSID processUser);

// Reads the owner of the file or folder `path` (GetFileSecurityW with
// OWNER_SECURITY_INFORMATION through the security service) and decides as
// above, with the process token's user. False when the owner cannot be
// read: a folder whose owner is unknown is not trusted.
bool FileOwnerIsTrusted(const std::wstring& path);

}  // namespace qw
