// A test program ended from outside in the middle of its test still shows
// what it printed until then, and the runner says how it ended: the main of
// the test programs writes unbuffered (a buffer would die with the process)
// and the runner shows the output of a killed program. The CTest test looks
// for the line and, after it, the runner's exit line.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

TEST(HarnessOutput, EndedFromOutsideStillShowsWhatItPrinted) {
  std::printf("HarnessOutput: written before the end\n");
  // As the task manager ends a process: no exit handlers, no flush.
  ::TerminateProcess(::GetCurrentProcess(), 1);
}
