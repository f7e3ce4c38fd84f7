// Meridel.exe's entry: "/Register /Background" and "/Unregister /Background"
// do their work without a window and end with -10 on success (another code,
// the system's error, on failure); every other start shows the window.

#include <windows.h>

#include "platform/module_file.h"
#include "platform/product_facts.h"
#include "product/meridel/command_line.h"
#include "product/meridel/document_type.h"
#include "product/meridel/meridel_program.h"

namespace {

int ExitCodeOf(const std::error_code& error) {
  return error ? error.value() : qw::kRegisteredExitCode;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int show) {
  using qw::meridel::Task;
  const qw::meridel::CommandLine parsed = qw::meridel::ParseCommandLine(commandLine);
  switch (parsed.task) {
    case Task::Register: {
      const std::wstring program = qw::ModuleFilePath(nullptr);
      if (program.empty()) return static_cast<int>(::GetLastError());
      return ExitCodeOf(qw::meridel::RegisterDocumentType(program));
    }
    case Task::Unregister:
      return ExitCodeOf(qw::meridel::UnregisterDocumentType());
    case Task::ShowWindow:
      break;
  }
  return qw::meridel::RunMeridel(instance, show);
}
