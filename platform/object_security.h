#pragma once
// The security attributes of the application's shared named objects: a DACL
// with one entry that allows Everyone `accessMask`, so that processes of
// every logged-on user can open the objects. Only what CreateMutexW and
// CreateSemaphoreW need; not a general descriptor builder.

#include <windows.h>

#include "platform/handles.h"

namespace qw {

// Security attributes (handles not inherited) together with the descriptor
// and the ACL they point to; keep it alive until the object is created.
struct ObjectSecurity {
  SECURITY_ATTRIBUTES attributes{};
  UniqueLocalMemory descriptor;
  UniqueLocalMemory acl;
};

// Raises the security service's error (an HRESULT) when the SID, the ACL or
// the descriptor cannot be made.
ObjectSecurity BuildObjectSecurity(DWORD accessMask);

}  // namespace qw
