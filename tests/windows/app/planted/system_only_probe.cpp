// A program that imports known DLLs only (kernel32, user32): started beside
// planted libraries, it shows which of them the system's own libraries take
// from a program's folder, before any code of the program runs. Windows
// resolves the imports of known DLLs from the system folder only; Wine's
// user32.dll imports version.dll and looks for it like any other library.
// It leaves "<its own path>.ran" when it has run.

#include <windows.h>

int wmain() {
  (void)::GetSystemMetrics(SM_CXSCREEN);
  wchar_t self[MAX_PATH + 8];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  ::lstrcatW(self, L".ran");
  HANDLE ran = ::CreateFileW(self, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (ran == INVALID_HANDLE_VALUE) return 1;
  ::CloseHandle(ran);
  return 0;
}
