#pragma once
// Starting a program the way the installer and the uninstaller both do:
// the application named explicitly (never found through the command line's
// first word), and a start the system refused tried again a moment later.
// Wine now and then refuses a start that succeeds the next moment, and on
// Windows a scanner may still hold a program that was just written.

#include <windows.h>

#include <string>

namespace qw {

struct ProcessStart {
  DWORD flags = 0;                    // CreateProcessW's creation flags
  bool inheritHandles = false;
  const wchar_t* folder = nullptr;    // the working folder; the caller's when null
  WORD showWindow = SW_SHOWDEFAULT;   // used as STARTF_USESHOWWINDOW when not SW_SHOWDEFAULT
  // A job the process belongs to from its creation, so that no moment
  // exists in which the starter can end and leave it outside (a kill-on-
  // close job then ends it with the starter). Windows before 10 cannot
  // create a process in a job: there it is assigned right after (where the
  // system allows), and `flags` should hold CREATE_SUSPENDED so that it
  // runs nothing before.
  HANDLE job = nullptr;
};

// CreateProcessW(application, commandLine, ...) up to three times, 300 ms
// apart. False with the last attempt's error as the thread's last error;
// on success `process` holds both handles, which the caller owns.
bool StartProcess(const std::wstring& application, std::wstring commandLine, const ProcessStart& how,
                  PROCESS_INFORMATION& process);

}  // namespace qw
