// A program that does nothing and ends at once: the main program and the
// uninstaller of the tests' small payload, so that shortcuts and entries
// point at real executables.
//
// Like the product, it answers the installer's registration run
// ("/Register /Background") with -10. Tests observe that run through the
// environment the installer passes on:
//   QW_TINY_EXIT_CODE  the exit code to end with instead (any run)
//   QW_TINY_RECORD     a file to write how it was started, one UTF-16 line
//                      each: command line, current folder, priority class,
//                      show mode, and whether the mutex named in QW_TINY_LOCK
//                      could be taken ("free", "held" or "missing")
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

std::wstring Environment(const wchar_t* name) {
  wchar_t value[1024] = {};
  const DWORD length = ::GetEnvironmentVariableW(name, value, 1024);
  return length > 0 && length < 1024 ? std::wstring(value) : std::wstring();
}

// Whether the named mutex is free for a moment; it is given back at once.
std::wstring LockState(const std::wstring& name) {
  if (name.empty()) return L"missing";
  HANDLE mutex = ::OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str());
  if (mutex == nullptr) return L"missing";
  const DWORD wait = ::WaitForSingleObject(mutex, 0);
  const bool free = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
  if (free) ::ReleaseMutex(mutex);
  ::CloseHandle(mutex);
  return free ? L"free" : L"held";
}

void Record(const std::wstring& path) {
  wchar_t folder[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, folder);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  ::GetStartupInfoW(&startup);
  const int showMode = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
  const std::wstring text = std::wstring(::GetCommandLineW()) + L"\n" + folder + L"\n" +
                            std::to_wstring(::GetPriorityClass(::GetCurrentProcess())) + L"\n" +
                            std::to_wstring(showMode) + L"\n" + LockState(Environment(L"QW_TINY_LOCK")) + L"\n";
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
  ::CloseHandle(file);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  const std::wstring record = Environment(L"QW_TINY_RECORD");
  if (!record.empty()) Record(record);
  const std::wstring exitCode = Environment(L"QW_TINY_EXIT_CODE");
  if (!exitCode.empty()) return static_cast<int>(std::wcstol(exitCode.c_str(), nullptr, 10));
  return std::wcsstr(commandLine, L"/Register") != nullptr ? -10 : 0;
}
