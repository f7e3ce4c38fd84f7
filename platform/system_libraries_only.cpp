#include "platform/system_libraries_only.h"

#include <windows.h>

#include <delayimp.h>

#include "platform/system_library.h"

namespace qw {

namespace {

bool g_firstStepDone = false;

// Priority 101 is the first that a program may use: this runs before every
// static initialiser of default priority, in whichever file it sits.
__attribute__((constructor(101))) void RestrictLibrarySearchFirst() {
  RestrictLibrarySearchToSystem();
  g_firstStepDone = true;
}

// Answering nothing would let the delay-load helper try LoadLibraryA itself,
// which searches the program's folder where the search could not be
// restricted; so a library missing from the system folder ends here, with
// the exception that the helper raises for it.
[[noreturn]] void RaiseModuleNotFound(PDelayLoadInfo info) {
  ULONG_PTR arguments[] = {reinterpret_cast<ULONG_PTR>(info)};
  ::RaiseException(VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND), 0, 1, arguments);
  ::ExitProcess(static_cast<UINT>(ERROR_MOD_NOT_FOUND));
}

FARPROC WINAPI LoadDelayedFromSystem(unsigned notification, PDelayLoadInfo info) {
  if (notification != dliNotePreLoadLibrary || !info || !info->szDll) return nullptr;
  wchar_t name[MAX_PATH];
  if (::MultiByteToWideChar(CP_ACP, 0, info->szDll, -1, name, MAX_PATH) == 0) RaiseModuleNotFound(info);
  HMODULE module = LoadSystemLibrary(name);
  if (!module) RaiseModuleNotFound(info);
  return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(module));
}

}  // namespace

bool SystemLibrariesOnlyInEffect() { return g_firstStepDone; }

}  // namespace qw

// The hook that MinGW's delay-load helper calls before it loads a library.
// Defined here, it replaces the runtime's empty one.
extern "C" {
PfnDliHook __pfnDliNotifyHook2 = qw::LoadDelayedFromSystem;
}
