#include "planted_marker.h"

namespace qw::test {

void LeaveLoadMarker(HMODULE module) {
  // Only kernel32 here: this runs inside DllMain, under the loader lock.
  wchar_t path[MAX_PATH + 16];
  const DWORD n = ::GetModuleFileNameW(module, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  ::lstrcatW(path, L".loaded");
  HANDLE file = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  wchar_t process[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, process, MAX_PATH);
  DWORD written = 0;
  ::WriteFile(file, process, length * sizeof(wchar_t), &written, nullptr);
  ::CloseHandle(file);
}

}  // namespace qw::test
