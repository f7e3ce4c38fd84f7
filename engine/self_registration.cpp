#include "engine/self_registration.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <optional>
#include <vector>

#include "platform/handles.h"

namespace qw {

namespace {

constexpr DWORD kRegisteredExitCode = static_cast<DWORD>(-10);

// The program's folder; empty when the path does not fit a path buffer.
std::wstring ProgramFolder(const std::wstring& programPath) {
  if (programPath.size() >= MAX_PATH) return std::wstring();
  wchar_t folder[MAX_PATH] = {};
  programPath.copy(folder, programPath.size());
  ::PathRemoveFileSpecW(folder);
  return folder;
}

// Shows the wait cursor while the shell refreshes icons and open-with lists.
class WaitCursor {
 public:
  WaitCursor() : previous_(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { ::SetCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR previous_;
};

// Starts the program and waits for it; the exit code, or nothing when it
// could not be started.
std::optional<DWORD> RunToEnd(const std::wstring& programPath) {
  std::wstring commandText = SelfRegistrationCommandLine(programPath);
  std::vector<wchar_t> commandLine(commandText.begin(), commandText.end());
  commandLine.push_back(L'\0');
  const std::wstring folder = ProgramFolder(programPath);

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNOACTIVATE;
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, HIGH_PRIORITY_CLASS, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
    return std::nullopt;
  }
  const UniqueHandle processHandle(process.hProcess);
  const UniqueHandle threadHandle(process.hThread);
  ::WaitForSingleObject(processHandle.get(), INFINITE);
  DWORD exitCode = 0;
  ::GetExitCodeProcess(processHandle.get(), &exitCode);
  return exitCode;
}

}  // namespace

std::wstring SelfRegistrationCommandLine(const std::wstring& programPath) {
  std::vector<wchar_t> buffer(programPath.size() + 3 > MAX_PATH ? programPath.size() + 3 : MAX_PATH, L'\0');
  programPath.copy(buffer.data(), programPath.size());
  ::PathQuoteSpacesW(buffer.data());
  return std::wstring(buffer.data()) + L" /Register /Background";
}

bool RunSelfRegistration(const std::wstring& programPath, ApplicationLock& appLock, InstallJournal& journal) {
  journal.RecordSelfRegistration();
  appLock.Release();
  const std::optional<DWORD> exitCode = RunToEnd(programPath);
  appLock.TryAcquire();
  const bool registered = exitCode && *exitCode == kRegisteredExitCode;
  journal.CompleteEntry(registered);
  if (registered) {
    WaitCursor wait;
    ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
  }
  return registered;
}

}  // namespace qw
