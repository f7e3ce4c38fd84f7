#include "platform/process_start.h"

namespace qw {

bool StartProcess(const std::wstring& application, std::wstring commandLine, const ProcessStart& how,
                  PROCESS_INFORMATION& process) {
  constexpr int kAttempts = 3;
  constexpr DWORD kPauseMs = 300;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (how.showWindow != SW_SHOWDEFAULT) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = how.showWindow;
  }
  for (int attempt = 1;; ++attempt) {
    // CreateProcessW may write into the command line; each try gets it whole.
    std::wstring line = commandLine;
    if (::CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, how.inheritHandles, how.flags, nullptr,
                         how.folder, &startup, &process))
      return true;
    if (attempt == kAttempts) return false;
    ::Sleep(kPauseMs);
  }
}

}  // namespace qw
