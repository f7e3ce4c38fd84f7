// Runs that end without GoogleTest's verdict, for the test of the harness:
// each TEST here is registered like every other Windows test, and main
// decides from the test filter how the run ends instead of running it. The
// CTest tests are marked WILL_FAIL, so they stay green exactly when the
// harness (cmake/TestVerdict.cmake, scripts/test-run.sh) judges the run
// failed; a harness that went by the exit code alone would pass these runs
// and turn them red.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The bodies never run (main ends the process before); the names are what
// CTest registers.
TEST(HarnessVerdict, ExitsZeroWithoutRunningItsTest) { SUCCEED(); }
TEST(HarnessVerdict, EndedFromOutsideBeforeAnyOutput) { SUCCEED(); }
// This one runs and passes, then the program ends with exit code 3.
TEST(HarnessVerdict, PassesThenExitsWithAnotherCode) { SUCCEED(); }

std::string Filter(int argc, char** argv) {
  const char prefix[] = "--gtest_filter=";
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], prefix, sizeof prefix - 1) == 0) return argv[i] + sizeof prefix - 1;
  }
  return std::string();
}

// Ends process `id` with exit code 0, as a session stopped from outside
// ends its programs: no output, no error code.
int EndProcess(const char* id) {
  const HANDLE process =
      ::OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(std::strtoul(id, nullptr, 10)));
  if (!process) return 1;
  const BOOL ended = ::TerminateProcess(process, 0);
  ::CloseHandle(process);
  return ended ? 0 : 1;
}

// Starts a copy of this program that ends this process, and waits for it.
void WaitToBeEndedFromOutside() {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring commandLine =
      L"\"" + std::wstring(self) + L"\" --end-process " + std::to_wstring(::GetCurrentProcessId());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    ::CloseHandle(info.hThread);
    ::WaitForSingleObject(info.hProcess, 60000);
    ::CloseHandle(info.hProcess);
  }
  // Not ended (the copy could not start): end the same way, without a verdict.
  ::Sleep(1000);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--end-process") == 0) return EndProcess(argv[2]);
  const std::string filter = Filter(argc, argv);
  if (filter == "HarnessVerdict.ExitsZeroWithoutRunningItsTest") return 0;
  if (filter == "HarnessVerdict.EndedFromOutsideBeforeAnyOutput") {
    WaitToBeEndedFromOutside();
    return 0;
  }
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  if (filter == "HarnessVerdict.PassesThenExitsWithAnotherCode" && result == 0) return 3;
  return result;
}
