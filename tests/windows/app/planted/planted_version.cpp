// A stand-in for the system's VERSION.dll that someone left in a download
// folder: it exports what a program imports from the real one, answers
// every call with a failure and leaves a marker file when loaded.

#include <windows.h>

#include "planted_marker.h"

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) qw::test::LeaveLoadMarker(instance);
  return TRUE;
}

__declspec(dllexport) DWORD WINAPI GetFileVersionInfoSizeW(LPCWSTR, LPDWORD handle) {
  if (handle) *handle = 0;
  ::SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  return 0;
}

__declspec(dllexport) BOOL WINAPI GetFileVersionInfoW(LPCWSTR, DWORD, DWORD, LPVOID) {
  ::SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  return FALSE;
}

__declspec(dllexport) BOOL WINAPI VerQueryValueW(LPCVOID, LPCWSTR, LPVOID* value, PUINT length) {
  if (value) *value = nullptr;
  if (length) *length = 0;
  return FALSE;
}

}  // extern "C"
