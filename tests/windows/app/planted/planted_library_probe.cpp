// A program that imports VERSION.dll and bcrypt.dll the plain way, through
// its import table: started beside planted copies of them, it shows whether
// the system takes a program's libraries from the program's folder. It
// leaves "<its own path>.ran" when it has run, loaded or not.

#include <windows.h>

#include <bcrypt.h>

int wmain() {
  DWORD ignored = 0;
  wchar_t self[MAX_PATH + 8];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  (void)::GetFileVersionInfoSizeW(self, &ignored);
  UCHAR random[4];
  (void)::BCryptGenRandom(nullptr, random, sizeof random, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
  ::lstrcatW(self, L".ran");
  HANDLE ran = ::CreateFileW(self, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (ran == INVALID_HANDLE_VALUE) return 1;
  ::CloseHandle(ran);
  return 0;
}
