#include "helper_process.h"

#include "build_tree.h"
#include "dialog_driver.h"

namespace qw::test {

std::wstring HelperPath() { return QW_NAMED_OBJECT_HELPER; }

WaitingHelper::WaitingHelper(const std::wstring& command, const std::wstring& name) {
  const std::wstring ready = UniqueName(L"Local\\qw_helper_ready");
  const std::wstring quit = UniqueName(L"Local\\qw_helper_quit");
  readyEvent_.reset(::CreateEventW(nullptr, TRUE, FALSE, ready.c_str()));
  quitEvent_.reset(::CreateEventW(nullptr, TRUE, FALSE, quit.c_str()));
  if (!readyEvent_ || !quitEvent_) return;
  process_ = ChildProcess::Start(HelperPath(), command + L" \"" + name + L"\" " + ready + L" " + quit);
  if (!process_.valid()) return;
  // Ready, or the helper ended early (bad arguments, lock not acquired).
  HANDLE waits[] = {readyEvent_.get(), process_.handle()};
  ready_ = ::WaitForMultipleObjects(2, waits, FALSE, kWindowTimeoutMs) == WAIT_OBJECT_0;
}

WaitingHelper::~WaitingHelper() { Quit(); }

DWORD WaitingHelper::Quit() {
  if (!process_.valid()) return STILL_ACTIVE;
  ::SetEvent(quitEvent_.get());
  process_.WaitForExit(kWindowTimeoutMs);
  return process_.ExitCode();
}

}  // namespace qw::test
