// StartProcess: the application named, the command line whole, and a
// process that belongs to the starter's job before it runs anything.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "child_process.h"
#include "platform/handles.h"
#include "platform/process_start.h"

namespace qw::test {
namespace {

UniqueHandle KillOnCloseJob() {
  UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  EXPECT_TRUE(::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits));
  return job;
}

std::wstring ThisProgram() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

// Started suspended, the process is already in the job and ends with it:
// a starter that is killed at any moment after the start leaves nothing.
TEST(StartProcess, ASuspendedProcessIsInTheJobAndEndsWhenTheJobCloses) {
  UniqueHandle job = KillOnCloseJob();
  ProcessStart how;
  how.flags = CREATE_SUSPENDED;
  how.job = job.get();
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(StartProcess(ThisProgram(), L"\"" + ThisProgram() + L"\" --gtest_list_tests", how, process))
      << ::GetLastError();
  const UniqueHandle started(process.hProcess), thread(process.hThread);
  BOOL member = FALSE;
  ASSERT_TRUE(::IsProcessInJob(started.get(), job.get(), &member));
  EXPECT_TRUE(member);
  job.reset();
  EXPECT_EQ(::WaitForSingleObject(started.get(), 10000), WAIT_OBJECT_0) << "still running after its job closed";
}

// A start that keeps failing is tried again and then reported with the
// system's own error, not one of the pauses between the tries.
TEST(StartProcess, AProgramThatCannotStartFailsWithTheSystemsError) {
  ProcessStart how;
  PROCESS_INFORMATION none{};
  const std::wstring missing = TestProgramFolder() + L"no such program.exe";
  ::SetLastError(ERROR_SUCCESS);
  EXPECT_FALSE(StartProcess(missing, L"\"" + missing + L"\"", how, none));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(none.hProcess, nullptr);
}

}  // namespace
}  // namespace qw::test
