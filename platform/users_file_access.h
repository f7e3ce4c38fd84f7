#pragma once
// The two halves of GrantUsersFileAccess (security.h) below reading and
// writing the file: the new descriptor made from the current one, and the
// control bits it takes over. They work on descriptors in memory, so they
// serve for any object whose DACL should give the Users group access.

#include <windows.h>

#include "platform/handles.h"

namespace qw {

// An absolute security descriptor and the DACL it points to.
struct DaclDescriptor {
  UniqueLocalMemory descriptor;
  UniqueLocalMemory dacl;
};

// A descriptor whose DACL is that of `current` with one explicit entry that
// allows the Users group `accessMask`: after the explicit entries of
// `current`, before its inherited ones, every other Users entry left out.
// A null or absent DACL counts as an empty one. Raises the security
// service's error (an HRESULT).
DaclDescriptor UsersAccessDescriptor(PSECURITY_DESCRIPTOR current, DWORD accessMask);

// The control bits a new DACL takes over from the descriptor whose control
// is `oldControl`: SE_DACL_AUTO_INHERIT_REQ | SE_DACL_AUTO_INHERITED for an
// auto-inherited DACL, else SE_DACL_PROTECTED when that is set, else none.
SECURITY_DESCRIPTOR_CONTROL InheritedDaclControl(SECURITY_DESCRIPTOR_CONTROL oldControl);

}  // namespace qw
