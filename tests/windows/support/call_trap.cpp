#include "call_trap.h"

#include <tlhelp32.h>

#include <set>
#include <utility>

namespace qw::test {
namespace {

constexpr unsigned char kInt3 = 0xCC;
constexpr DWORD kTrapFlag = 0x100;  // EFLAGS.TF: one instruction, then a single-step exception

std::string ErrorText(const char* what) { return std::string(what) + " failed with " + std::to_string(::GetLastError()); }

// The file name and base of the module of this process that holds `address`.
bool ModuleOf(const void* address, std::wstring& name, std::uintptr_t& base) {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<const wchar_t*>(address), &module))
    return false;
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  name = path;
  name.erase(0, name.find_last_of(L"\\/") + 1);
  base = reinterpret_cast<std::uintptr_t>(module);
  return true;
}

// Where the module named `name` is loaded in process `id`; 0 when it is not.
std::uintptr_t ModuleBaseIn(DWORD id, const std::wstring& name) {
  UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, id));
  if (!snapshot) return 0;
  MODULEENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Module32FirstW(snapshot.get(), &entry); more; more = ::Module32NextW(snapshot.get(), &entry))
    if (::lstrcmpiW(entry.szModule, name.c_str()) == 0) return reinterpret_cast<std::uintptr_t>(entry.modBaseAddr);
  return 0;
}

bool WriteCode(HANDLE process, std::uintptr_t address, unsigned char byte) {
  SIZE_T written = 0;
  void* at = reinterpret_cast<void*>(address);
  return ::WriteProcessMemory(process, at, &byte, 1, &written) && written == 1 &&
         ::FlushInstructionCache(process, at, 1);
}

void SetInstructionPointer(CONTEXT& context, std::uintptr_t address) {
#ifdef _WIN64
  context.Rip = address;
#else
  context.Eip = static_cast<DWORD>(address);
#endif
}

// The first four arguments at the entry of a function: in registers for
// 64-bit code, on the stack above the return address for 32-bit stdcall.
bool ReadArguments(HANDLE process, const CONTEXT& context, std::uintptr_t (&arguments)[4]) {
#ifdef _WIN64
  (void)process;
  arguments[0] = context.Rcx;
  arguments[1] = context.Rdx;
  arguments[2] = context.R8;
  arguments[3] = context.R9;
  return true;
#else
  DWORD stack[4] = {};
  SIZE_T read = 0;
  if (!::ReadProcessMemory(process, reinterpret_cast<const void*>(context.Esp + 4), stack, sizeof stack, &read))
    return false;
  for (int i = 0; i < 4; ++i) arguments[i] = stack[i];
  return true;
#endif
}

}  // namespace

TrappedCall::TrappedCall(HANDLE process, const std::uintptr_t (&arguments)[4]) : process_(process) {
  for (int i = 0; i < 4; ++i) arguments_[i] = arguments[i];
}

std::wstring TrappedCall::StringArgument(int index) const {
  std::wstring text;
  auto at = arguments_[index];
  if (at == 0) return text;
  for (std::size_t i = 0; i < 32768; ++i, at += sizeof(wchar_t)) {
    wchar_t c = 0;
    SIZE_T read = 0;
    if (!::ReadProcessMemory(process_, reinterpret_cast<const void*>(at), &c, sizeof c, &read) || c == 0) break;
    text += c;
  }
  return text;
}

std::wstring TrappedCall::FilePathArgument(int index) const {
  HANDLE copy = nullptr;
  if (!::DuplicateHandle(process_, reinterpret_cast<HANDLE>(arguments_[index]), ::GetCurrentProcess(), &copy, 0,
                         FALSE, DUPLICATE_SAME_ACCESS))
    return std::wstring();
  const UniqueHandle file(copy);
  wchar_t path[MAX_PATH + 8] = {};
  const DWORD length = ::GetFinalPathNameByHandleW(file.get(), path, MAX_PATH + 8, FILE_NAME_NORMALIZED);
  return length > 0 && length < MAX_PATH + 8 ? std::wstring(path, length) : std::wstring();
}

CallTrap::CallTrap(DWORD processId, const wchar_t* module, const char* function, Chooser chosen)
    : processId_(processId),
      chosen_(std::move(chosen)),
      ready_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      finished_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  // A debugger's events come to the thread that attached: it is this
  // object's own thread, for the object's whole life.
  thread_ = std::thread(&CallTrap::Run, this, std::wstring(module), std::string(function));
  ::WaitForSingleObject(ready_.get(), 30000);
}

CallTrap::~CallTrap() {
  detach_ = true;
  if (thread_.joinable()) thread_.join();
}

bool CallTrap::WaitForKill(DWORD timeoutMs) {
  ::WaitForSingleObject(finished_.get(), timeoutMs);
  return killed_;
}

bool CallTrap::Arm(HANDLE process, const std::wstring& module, const std::string& function) {
  HMODULE here = ::GetModuleHandleW(module.c_str());
  const void* entry = here ? reinterpret_cast<const void*>(::GetProcAddress(here, function.c_str())) : nullptr;
  if (!entry) {
    failure_ = "no " + function + " here";
    return false;
  }
  // A forwarded export leads into another module, the one whose code runs.
  std::wstring owner;
  std::uintptr_t ownerBase = 0;
  if (!ModuleOf(entry, owner, ownerBase)) {
    failure_ = ErrorText("GetModuleHandleExW");
    return false;
  }
  const std::uintptr_t base = ModuleBaseIn(processId_, owner);
  if (base == 0) {
    failure_ = "the process has no module named like this one's " + std::string(owner.begin(), owner.end());
    return false;
  }
  address_ = base + (reinterpret_cast<std::uintptr_t>(entry) - ownerBase);
  SIZE_T read = 0;
  if (!::ReadProcessMemory(process, reinterpret_cast<const void*>(address_), &original_, 1, &read) || read != 1) {
    failure_ = ErrorText("ReadProcessMemory");
    return false;
  }
  if (!WriteCode(process, address_, kInt3)) {
    failure_ = ErrorText("WriteProcessMemory");
    return false;
  }
  return true;
}

bool CallTrap::OnBreakpoint(HANDLE process, DWORD threadId) {
  ++calls_;
  UniqueHandle thread(::OpenThread(THREAD_GET_CONTEXT | THREAD_SET_CONTEXT, FALSE, threadId));
  CONTEXT context{};
  context.ContextFlags = CONTEXT_FULL;
  if (!thread || !::GetThreadContext(thread.get(), &context)) return false;
  // The call starts again at the function's first instruction.
  SetInstructionPointer(context, address_);
  std::uintptr_t arguments[4] = {};
  if (ReadArguments(process, context, arguments) && chosen_(TrappedCall(process, arguments))) {
    // Ended while it stands here: nothing of the call has run.
    return ::TerminateProcess(process, 1) != FALSE;
  }
  // Past the breakpoint by one instruction of the original code, after
  // which the single-step exception puts the breakpoint back.
  WriteCode(process, address_, original_);
  context.EFlags |= kTrapFlag;
  ::SetThreadContext(thread.get(), &context);
  return false;
}

void CallTrap::Run(std::wstring module, std::string function) {
  if (!::DebugActiveProcess(processId_)) {
    failure_ = ErrorText("DebugActiveProcess");
    ::SetEvent(ready_.get());
    ::SetEvent(finished_.get());
    return;
  }
  // Detaching must not end the process.
  ::DebugSetProcessKillOnExit(FALSE);
  const UniqueHandle process(::OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId_));
  armed_ = process && Arm(process.get(), module, function);
  if (!process) failure_ = ErrorText("OpenProcess");
  ::SetEvent(ready_.get());

  std::set<DWORD> stepping;  // threads between the breakpoint and its return
  bool exited = false;
  while (!exited) {
    DEBUG_EVENT event{};
    if (!::WaitForDebugEvent(&event, 100)) {
      if ((detach_ || !armed_) && stepping.empty()) break;
      continue;
    }
    DWORD status = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT:
        if (event.u.CreateProcessInfo.hFile) ::CloseHandle(event.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile) ::CloseHandle(event.u.LoadDll.hFile);
        break;
      case EXIT_PROCESS_DEBUG_EVENT:
        exited = true;
        break;
      case EXCEPTION_DEBUG_EVENT: {
        const EXCEPTION_RECORD& record = event.u.Exception.ExceptionRecord;
        const auto at = reinterpret_cast<std::uintptr_t>(record.ExceptionAddress);
        // Windows names the breakpoint instruction; the instruction after
        // it is taken too.
        if (record.ExceptionCode == EXCEPTION_BREAKPOINT && armed_ && (at == address_ || at == address_ + 1)) {
          if (OnBreakpoint(process.get(), event.dwThreadId)) {
            killed_ = true;
          } else {
            stepping.insert(event.dwThreadId);
          }
        } else if (record.ExceptionCode == EXCEPTION_SINGLE_STEP && stepping.count(event.dwThreadId)) {
          stepping.erase(event.dwThreadId);
          UniqueHandle thread(::OpenThread(THREAD_GET_CONTEXT | THREAD_SET_CONTEXT, FALSE, event.dwThreadId));
          CONTEXT context{};
          context.ContextFlags = CONTEXT_CONTROL;
          if (thread && ::GetThreadContext(thread.get(), &context)) {
            context.EFlags &= ~kTrapFlag;
            ::SetThreadContext(thread.get(), &context);
          }
          if (!killed_ && !detach_) WriteCode(process.get(), address_, kInt3);
        } else if (record.ExceptionCode != EXCEPTION_BREAKPOINT) {
          // The program's own exceptions go to its own handlers; the
          // breakpoint of the attach is the debugger's.
          status = DBG_EXCEPTION_NOT_HANDLED;
        }
        break;
      }
      default:
        break;
    }
    ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
  }
  if (!exited) {
    if (armed_) WriteCode(process.get(), address_, original_);
    ::DebugActiveProcessStop(processId_);
  }
  ::SetEvent(finished_.get());
}

}  // namespace qw::test
