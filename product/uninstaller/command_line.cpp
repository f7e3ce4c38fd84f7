#include "product/uninstaller/command_line.h"

#include <shellapi.h>

#include <cstdint>

#include "platform/handles.h"

namespace qw::uninstaller {

CommandLine ParseCommandLine(const wchar_t* commandLine) {
  CommandLine parsed;
  int count = 0;
  UniqueLocalMemory memory(::CommandLineToArgvW(commandLine, &count));
  if (!memory) return parsed;
  wchar_t** args = static_cast<wchar_t**>(memory.get());
  for (int i = 1; i < count; ++i) {
    const std::wstring arg = args[i];
    if (::lstrcmpiW(arg.c_str(), L"/quiet") == 0) {
      parsed.quiet = true;
    } else if (::lstrcmpiW(arg.c_str(), L"/cleanup") == 0 && i + 1 < count) {
      parsed.cleanup = true;
      parsed.firstProcess = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(_wcstoui64(args[++i], nullptr, 10)));
      bool folders = false;
      for (++i; i < count; ++i) {
        const std::wstring path = args[i];
        if (path == L"--") {
          folders = true;
        } else {
          (folders ? parsed.folders : parsed.files).push_back(path);
        }
      }
    }
  }
  return parsed;
}

std::wstring CleanupCommandLine(const std::wstring& program, HANDLE firstProcess,
                                const std::vector<std::wstring>& files,
                                const std::vector<std::wstring>& folders) {
  auto quoted = [](const std::wstring& text) { return L"\"" + text + L"\""; };
  std::wstring line = quoted(program) + L" /cleanup " +
                      std::to_wstring(reinterpret_cast<std::uintptr_t>(firstProcess));
  for (const auto& file : files) line += L" " + quoted(file);
  line += L" --";
  for (const auto& folder : folders) line += L" " + quoted(folder);
  return line;
}

}  // namespace qw::uninstaller
