// A second process of the application for the named-object tests:
//   named_object_helper register APPLICATION_ID READY_EVENT QUIT_EVENT
//     registers with the instance counter, signals READY_EVENT, waits for
//     QUIT_EVENT and exits normally (which leaves the count).
//   named_object_helper hold-lock LOCK_NAME READY_EVENT QUIT_EVENT
//     acquires the global lock LOCK_NAME, signals, waits, releases, exits.
//   named_object_helper abandon-lock LOCK_NAME
//     acquires the global lock and ends at once without releasing it
//     (exit code 7), leaving the mutex abandoned.
// Exit codes: 0 done, 2 bad arguments, 3 an event could not be opened,
// 4 the lock was not acquired, 5 QUIT_EVENT never came.

#include <windows.h>

#include <string>

#include "platform/application_lock.h"
#include "platform/handles.h"
#include "platform/instance_counter.h"

namespace {

constexpr DWORD kQuitTimeoutMs = 60000;
constexpr UINT kAbandonedExitCode = 7;

// Signals `ready` and waits for `quit`; returns the exit code.
int SignalAndWait(const wchar_t* ready, const wchar_t* quit) {
  const qw::UniqueHandle readyEvent(::OpenEventW(EVENT_MODIFY_STATE, FALSE, ready));
  const qw::UniqueHandle quitEvent(::OpenEventW(SYNCHRONIZE, FALSE, quit));
  if (!readyEvent || !quitEvent) return 3;
  ::SetEvent(readyEvent.get());
  return ::WaitForSingleObject(quitEvent.get(), kQuitTimeoutMs) == WAIT_OBJECT_0 ? 0 : 5;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"register" && argc == 5) {
    qw::RegisterInstance(argv[2]);
    return SignalAndWait(argv[3], argv[4]);
  }
  if (command == L"hold-lock" && argc == 5) {
    qw::ApplicationLock lock(argv[2], false, true);
    if (!lock.TryAcquire()) return 4;
    return SignalAndWait(argv[3], argv[4]);
  }
  if (command == L"abandon-lock" && argc == 3) {
    qw::ApplicationLock lock(argv[2], false, true);
    if (!lock.TryAcquire()) return 4;
    ::TerminateProcess(::GetCurrentProcess(), kAbandonedExitCode);
  }
  return 2;
}
