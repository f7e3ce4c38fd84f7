// Names compared as the file system compares them: ordinal, without regard
// to case, the whole text.
#include <gtest/gtest.h>

#include <string>

#include "platform/same_name.h"

namespace qw {
namespace {

TEST(SameName, CaseIsIgnoredButNothingElse) {
  EXPECT_TRUE(SameName(L"Meridel.EXE", L"meridel.exe"));
  EXPECT_TRUE(SameName(L"\u00c9T\u00c9", L"\u00e9t\u00e9"));  // beyond ASCII as well
  EXPECT_TRUE(SameName(L"", L""));
  // Not linguistic: no expansion, no width or accent folding.
  EXPECT_FALSE(SameName(L"stra\u00dfe", L"STRASSE"));
  EXPECT_FALSE(SameName(L"e", L"\u00e9"));
  EXPECT_FALSE(SameName(L"Temp", L"Tem"));
  EXPECT_FALSE(SameName(L"Temp", L"Temp "));
}

// The text after a null inside a name counts too: the length decides, not
// the first null.
TEST(SameName, TheWholeTextIsCompared) {
  EXPECT_FALSE(SameName(std::wstring(L"a\0b", 3), std::wstring(L"a\0c", 3)));
  EXPECT_FALSE(SameName(std::wstring(L"a\0b", 3), L"a"));
  EXPECT_TRUE(SameName(std::wstring(L"a\0B", 3), std::wstring(L"A\0b", 3)));
}

}  // namespace
}  // namespace qw
