// A stand-in for the system's bcrypt.dll that someone left in a download
// folder: it exports what a program imports from the real one, answers
// every call with a failure and leaves a marker file when loaded.

#include <windows.h>

#include "planted_marker.h"

namespace {
constexpr LONG kNotSupported = static_cast<LONG>(0xC00000BBL);  // STATUS_NOT_SUPPORTED
}

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) qw::test::LeaveLoadMarker(instance);
  return TRUE;
}

__declspec(dllexport) LONG WINAPI BCryptOpenAlgorithmProvider(void** algorithm, LPCWSTR, LPCWSTR, ULONG) {
  if (algorithm) *algorithm = nullptr;
  return kNotSupported;
}

__declspec(dllexport) LONG WINAPI BCryptCloseAlgorithmProvider(void*, ULONG) { return kNotSupported; }

__declspec(dllexport) LONG WINAPI BCryptGenRandom(void*, PUCHAR, ULONG, ULONG) { return kNotSupported; }

}  // extern "C"
