#pragma once
// A process started by a test, ended when the test is done with it: the
// destructor terminates it when it still runs, so a failing test leaves no
// installer or helper behind. Test support only.

#include <windows.h>

#include <string>

#include "platform/handles.h"

namespace qw::test {

class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(ChildProcess&&) = default;
  ChildProcess& operator=(ChildProcess&&) = default;
  ~ChildProcess();

  // Starts `executable` with `arguments`; an invalid object when
  // CreateProcessW fails.
  static ChildProcess Start(const std::wstring& executable, const std::wstring& arguments);
  // The same with the primary token `token` (CreateProcessAsUserW).
  static ChildProcess StartAs(HANDLE token, const std::wstring& executable,
                              const std::wstring& arguments);

  bool valid() const { return process_.valid(); }
  DWORD id() const { return id_; }
  HANDLE handle() const { return process_.get(); }

  // Whether the process ended within `timeoutMs`.
  bool WaitForExit(DWORD timeoutMs) const;
  bool Running() const { return !WaitForExit(0); }
  // The exit code (STILL_ACTIVE while it runs).
  DWORD ExitCode() const;

 private:
  UniqueHandle process_;
  DWORD id_ = 0;
};

// The folder of the running test program, with a trailing backslash.
std::wstring TestProgramFolder();

// A name no other test process uses: `base`, the lane, this process's id and a
// sequence number.
std::wstring UniqueName(const std::wstring& base);

}  // namespace qw::test
