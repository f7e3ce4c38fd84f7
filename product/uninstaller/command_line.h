#pragma once
// The uninstaller's command line: nothing (ask, show progress and the end
// message), "/quiet" (none of that, kind-3 files kept, the result as exit
// code), or the private second phase that the uninstaller starts from its
// copy in the temporary folder:
//   /cleanup <process handle> <file>... -- <folder>...
// It is not a general parser: anything else is ignored.

#include <windows.h>

#include <string>
#include <vector>

namespace qw::uninstaller {

struct CommandLine {
  bool quiet = false;
  bool cleanup = false;
  HANDLE firstProcess = nullptr;      // inherited; the cleanup waits for it
  std::vector<std::wstring> files;    // removed by the cleanup
  std::vector<std::wstring> folders;  // then these, when empty, in order
};

// Reads `commandLine` (the whole line, program name included).
CommandLine ParseCommandLine(const wchar_t* commandLine);

// The line that starts `program` as the second phase.
std::wstring CleanupCommandLine(const std::wstring& program, HANDLE firstProcess,
                                const std::vector<std::wstring>& files,
                                const std::vector<std::wstring>& folders);

}  // namespace qw::uninstaller
