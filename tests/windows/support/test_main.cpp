// The main of every Windows test program. Its output goes into a file
// (scripts/test-run.sh), where the C runtime would hold all of it back until
// a normal exit: unbuffered, a program that is ended from outside or
// crashes still shows how far it came, and one that printed nothing never
// reached this function.
#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
