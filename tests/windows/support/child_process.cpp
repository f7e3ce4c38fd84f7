#include "child_process.h"

#include <atomic>

#include "wine.h"

namespace qw::test {

ChildProcess::~ChildProcess() {
  if (valid() && Running()) {
    ::TerminateProcess(process_.get(), 99);
    WaitForExit(5000);
  }
}

ChildProcess ChildProcess::Start(const std::wstring& executable, const std::wstring& arguments) {
  return StartAs(nullptr, executable, arguments);
}

ChildProcess ChildProcess::StartAs(HANDLE token, const std::wstring& executable,
                                   const std::wstring& arguments) {
  std::wstring commandLine = L"\"" + executable + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  ChildProcess child;
  const BOOL started =
      token ? ::CreateProcessAsUserW(token, executable.c_str(), &commandLine[0], nullptr, nullptr,
                                     FALSE, 0, nullptr, nullptr, &startup, &info)
            : ::CreateProcessW(executable.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &info);
  if (!started) {
    return child;
  }
  ::CloseHandle(info.hThread);
  child.process_.reset(info.hProcess);
  child.id_ = info.dwProcessId;
  return child;
}

bool ChildProcess::WaitForExit(DWORD timeoutMs) const {
  return ::WaitForSingleObject(process_.get(), timeoutMs) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const {
  DWORD code = 0;
  ::GetExitCodeProcess(process_.get(), &code);
  return code;
}

std::wstring TestProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  folder.erase(folder.find_last_of(L"\\/") + 1);
  return folder;
}

std::wstring UniqueName(const std::wstring& base) {
  static std::atomic<unsigned> sequence{0};
  // Process ids are counted per wineserver: the lane tells two apart.
  return base + LaneSuffix() + L"." + std::to_wstring(::GetCurrentProcessId()) + L"." +
         std::to_wstring(++sequence);
}

}  // namespace qw::test
