#include "product/meridel/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/handles.h"

namespace qw::meridel {

CommandLine ParseCommandLine(const wchar_t* commandLine) {
  CommandLine parsed;
  if (commandLine == nullptr || *commandLine == L'\0') return parsed;
  int count = 0;
  // The program's name is not part of the text wWinMain receives; a
  // leading word keeps CommandLineToArgvW from taking the first argument
  // for it.
  const std::wstring text = std::wstring(L"Meridel.exe ") + commandLine;
  const UniqueLocalMemory memory(::CommandLineToArgvW(text.c_str(), &count));
  auto* arguments = static_cast<wchar_t**>(memory.get());
  if (arguments == nullptr) return parsed;
  for (int i = 1; i < count; ++i) {
    const wchar_t* argument = arguments[i];
    if (::lstrcmpiW(argument, L"/Register") == 0) {
      parsed.task = Task::Register;
    } else if (::lstrcmpiW(argument, L"/Unregister") == 0) {
      parsed.task = Task::Unregister;
    } else if (argument[0] != L'/' && parsed.document.empty()) {
      parsed.document = argument;
    }
  }
  return parsed;
}

}  // namespace qw::meridel
