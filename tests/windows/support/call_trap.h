#pragma once
// Ends another process at the very call a test names: a debugger attached
// to the process puts a breakpoint on the entry of one system function and,
// at each call, asks the test whether this is the one; when it is, the
// process is ended while it stands at the breakpoint, before the function
// has done anything. A kill point found this way is exact, where a kill
// from outside lands "at or just after" a step. Test support only.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "platform/handles.h"

namespace qw::test {

// One call as the breakpoint sees it: the first four arguments of the
// function (stdcall on the stack for 32-bit programs, registers for 64-bit).
class TrappedCall {
 public:
  TrappedCall(HANDLE process, const std::uintptr_t (&arguments)[4]);

  std::uintptr_t Argument(int index) const { return arguments_[index]; }
  // The zero-terminated wide string argument `index` points to, read from
  // the process (empty for a null pointer or what cannot be read).
  std::wstring StringArgument(int index) const;
  // The final path of the file whose handle (in the process) is argument
  // `index`; empty when it is no file handle.
  std::wstring FilePathArgument(int index) const;

 private:
  HANDLE process_;
  std::uintptr_t arguments_[4];
};

class CallTrap {
 public:
  using Chooser = std::function<bool(const TrappedCall&)>;

  // Attaches to process `processId` and sets the breakpoint on `function`
  // as exported by `module` (loaded in this process too; a forwarded export
  // is followed to the function that runs). `chosen` is asked on the
  // debugger's thread at each call. Armed() tells whether it is in place.
  CallTrap(DWORD processId, const wchar_t* module, const char* function, Chooser chosen);
  // Detaches (the process goes on) unless it ended the process.
  ~CallTrap();
  CallTrap(const CallTrap&) = delete;
  CallTrap& operator=(const CallTrap&) = delete;

  bool Armed() const { return armed_; }
  // Why the breakpoint could not be set, for the test's message.
  const std::string& Failure() const { return failure_; }
  // Waits until the process was ended at the chosen call (true) or ended
  // otherwise, or the time ran out (false).
  bool WaitForKill(DWORD timeoutMs);
  // How many calls reached the breakpoint.
  unsigned Calls() const { return calls_; }

 private:
  void Run(std::wstring module, std::string function);
  bool Arm(HANDLE process, const std::wstring& module, const std::string& function);
  // Handles one stop at the breakpoint; true when the process was ended.
  bool OnBreakpoint(HANDLE process, DWORD threadId);

  DWORD processId_;
  Chooser chosen_;
  std::uintptr_t address_ = 0;
  unsigned char original_ = 0;
  std::atomic<bool> armed_{false};
  std::atomic<bool> killed_{false};
  std::atomic<bool> detach_{false};
  std::atomic<unsigned> calls_{0};
  std::string failure_;
  UniqueHandle ready_;
  UniqueHandle finished_;
  std::thread thread_;
};

}  // namespace qw::test
