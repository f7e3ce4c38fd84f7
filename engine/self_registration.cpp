#include "engine/self_registration.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <functional>
#include <optional>
#include <vector>

#include "platform/handles.h"
#include "platform/path_elements.h"
#include "platform/process_start.h"
#include "platform/product_facts.h"
#include "platform/system_error.h"

namespace qw {

namespace {


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

// A job whose processes end when its last handle closes; null when the
// system offers none.
UniqueHandle KillOnCloseJob() {
  UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
  if (!job) return job;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) job.reset();
  return job;
}

// Starts the program and waits for it; the exit code, or nothing when it
// could not be started.
std::optional<DWORD> RunToEnd(const std::wstring& programPath, const std::wstring& arguments,
                              const std::function<void(HANDLE)>& started = nullptr) {
  const std::wstring folder = ParentPath(programPath);  // the root itself for a program there
  ProcessStart how;
  how.flags = HIGH_PRIORITY_CLASS | CREATE_SUSPENDED;
  how.folder = folder.empty() ? nullptr : folder.c_str();
  how.showWindow = SW_SHOWNOACTIVATE;
  PROCESS_INFORMATION process = {};
  // The program ends with this process: an installation killed during the
  // run, even while the program is being started, leaves no program behind
  // that holds the files its recovery removes.
  const UniqueHandle job = KillOnCloseJob();
  how.job = job.get();
  if (!StartProcess(programPath, ProgramCommandLine(programPath, arguments), how, process)) return std::nullopt;
  const UniqueHandle processHandle(process.hProcess);
  const UniqueHandle threadHandle(process.hThread);
  ::ResumeThread(threadHandle.get());
  if (started) started(processHandle.get());
  ::WaitForSingleObject(processHandle.get(), INFINITE);
  DWORD exitCode = 0;
  ::GetExitCodeProcess(processHandle.get(), &exitCode);
  return exitCode;
}

// Runs the program with `arguments`, the lock released for the time of the
// run. Empty when it exited with -10; the system's error when it could not
// be started, ERROR_INSTALL_FAILURE when it exited otherwise.
std::error_code RunWithLockReleased(const std::wstring& programPath, const std::wstring& arguments,
                                    ApplicationLock& appLock, const std::function<void(HANDLE)>& started = nullptr) {
  appLock.Release();
  const std::optional<DWORD> exitCode = RunToEnd(programPath, arguments, started);
  const std::error_code startError = exitCode ? std::error_code() : LastError();
  appLock.TryAcquire();
  if (!exitCode) return startError;
  if (*exitCode != static_cast<DWORD>(kRegisteredExitCode)) return SystemError(ERROR_INSTALL_FAILURE);
  return {};
}

// After a run that changed the program's file associations.
void TellTheShellAssociationsChanged() {
  WaitCursor wait;
  ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
}

}  // namespace

std::wstring ProgramCommandLine(const std::wstring& programPath, const std::wstring& arguments) {
  const bool quote = programPath.find(L' ') != std::wstring::npos;
  return (quote ? L"\"" + programPath + L"\"" : programPath) + L" " + arguments;
}

std::wstring SelfRegistrationCommandLine(const std::wstring& programPath) {
  return ProgramCommandLine(programPath, L"/Register /Background");
}

std::error_code RunSelfRegistration(const std::wstring& programPath, ApplicationLock& appLock,
                                    InstallJournal& journal) {
  PendingJournalEntry entry = journal.RecordSelfRegistration();
  const std::error_code error =
      RunWithLockReleased(programPath, L"/Register /Background", appLock,
                          [&journal](HANDLE process) { journal.NoteRunningProgram(process); });
  entry.Complete(!error);
  if (!error) TellTheShellAssociationsChanged();
  return error;
}

std::error_code RunUnregistration(const std::wstring& programPath, ApplicationLock& appLock) {
  const std::error_code error = RunWithLockReleased(programPath, L"/Unregister /Background", appLock);
  if (!error) TellTheShellAssociationsChanged();
  return error;
}

}  // namespace qw
