#pragma once
// named_object_helper started in one of its waiting modes ("register" or
// "hold-lock"): the constructor returns once the helper has registered or
// holds the lock; Quit() lets it end normally. The destructor does the same
// (and the process is terminated if it still runs). Test support only.

#include <string>

#include "child_process.h"
#include "platform/handles.h"

namespace qw::test {

class WaitingHelper {
 public:
  WaitingHelper(const std::wstring& command, const std::wstring& name);
  ~WaitingHelper();

  // Whether the helper started and signalled within the time-out.
  bool ready() const { return ready_; }
  // Lets the helper end; returns its exit code (STILL_ACTIVE when it did
  // not end within the time-out).
  DWORD Quit();

  const ChildProcess& process() const { return process_; }

 private:
  UniqueHandle readyEvent_;
  UniqueHandle quitEvent_;
  ChildProcess process_;
  bool ready_ = false;
};

// The helper program, built with the platform tests (and used by the
// start-up tests too).
std::wstring HelperPath();

}  // namespace qw::test
