#pragma once
// Machine-wide named kernel objects shared by every process of the
// application, whichever user runs it: "Global\" + name, with a DACL that
// allows Everyone full access to the object.

#include <string>

#include "platform/handles.h"

namespace qw {

// Creates or opens the mutex "Global\" + `name`. The thread's last error is
// that of CreateMutexW afterwards (ERROR_ALREADY_EXISTS when it was opened).
// No handle, last error ERROR_CAN_NOT_COMPLETE, when the security
// attributes cannot be built; no handle and CreateMutexW's error when the
// mutex cannot be created.
UniqueHandle CreateGlobalMutex(bool initialOwner, const std::wstring& name);

// The same for the semaphore "Global\" + `name`; an existing semaphore is
// opened and keeps its count.
UniqueHandle CreateGlobalSemaphore(LONG initialCount, LONG maximumCount, const std::wstring& name);

}  // namespace qw
