// Paths as text: elements, the prefixes of a walk, parent, last element,
// joining, the drive and share forms, and the turn of '/' into '\'.
#include "platform/path_elements.h"

#include <gtest/gtest.h>

namespace qw {
namespace {

using Elements = std::vector<std::wstring>;

TEST(PathElements, SplitAtEitherSeparatorWithTheRootAsAnElement) {
  EXPECT_EQ(PathElements(L"C:\\a//b\\"), (Elements{L"C:", L"a", L"b"}));
  EXPECT_EQ(PathElements(L"\\a\\b"), (Elements{L"\\", L"a", L"b"}));
  EXPECT_EQ(PathElements(L"\\\\server\\share"), (Elements{L"\\", L"server", L"share"}));
  EXPECT_EQ(PathElements(L"a"), (Elements{L"a"}));
  EXPECT_TRUE(PathElements(L"").empty());
}

TEST(PathElements, SameElementsIgnoreSeparatorsButNotCase) {
  EXPECT_TRUE(SamePathElements(L"C:\\a\\b", L"C:/a//b\\"));
  EXPECT_FALSE(SamePathElements(L"\\a\\b", L"a\\b"));
  EXPECT_FALSE(SamePathElements(L"C:\\A", L"C:\\a"));
  EXPECT_FALSE(SamePathElements(L"C:\\a", L"C:\\a\\b"));
}

TEST(PathElements, EmptyElementIsTwoSeparatorsPastTheLeadingOnes) {
  EXPECT_TRUE(HasEmptyElement(L"C:\\a\\\\b"));
  EXPECT_TRUE(HasEmptyElement(L"C:\\\\"));
  EXPECT_TRUE(HasEmptyElement(L"\\\\server\\/share"));
  EXPECT_FALSE(HasEmptyElement(L"\\\\server\\share\\"));
  EXPECT_FALSE(HasEmptyElement(L"C:\\a\\"));
}

TEST(PathElements, DriveAndSharePaths) {
  for (const wchar_t* path : {L"C:\\Games", L"z:/", L"C:\\"}) EXPECT_TRUE(IsAbsoluteDrivePath(path)) << path;
  for (const wchar_t* path : {L"C:", L"C:Games", L"1:\\", L"\\Games", L"\\\\server\\share", L"Games"})
    EXPECT_FALSE(IsAbsoluteDrivePath(path)) << path;
  for (const wchar_t* path : {L"\\\\server\\share", L"//server/share", L"\\\\?\\C:\\a"})
    EXPECT_TRUE(IsSharePath(path)) << path;
  for (const wchar_t* path : {L"\\\\", L"\\Games", L"C:\\Games"}) EXPECT_FALSE(IsSharePath(path)) << path;
}

TEST(PathElements, PrefixesPastTheRootEndAnElementEach) {
  EXPECT_EQ(PrefixesPastRoot(L"C:\\a\\\\b\\", 3), (Elements{L"C:\\a", L"C:\\a\\\\b"}));
  EXPECT_EQ(PrefixesPastRoot(L"\\\\server\\share\\a\\b", 15), (Elements{L"\\\\server\\share\\a", L"\\\\server\\share\\a\\b"}));
  EXPECT_EQ(PrefixesPastRoot(L"a/b", 0), (Elements{L"a", L"a/b"}));
  EXPECT_TRUE(PrefixesPastRoot(L"C:\\", 3).empty());
}

TEST(PathElements, ParentKeepsTheRootsSeparator) {
  EXPECT_EQ(ParentPath(L"C:\\a\\b.txt"), L"C:\\a");
  EXPECT_EQ(ParentPath(L"C:/a/b.txt"), L"C:/a");
  EXPECT_EQ(ParentPath(L"C:\\a\\"), L"C:\\a");
  EXPECT_EQ(ParentPath(L"C:\\b.txt"), L"C:\\");
  EXPECT_EQ(ParentPath(L"C:\\"), L"C:\\");
  EXPECT_EQ(ParentPath(L"\\b.txt"), L"\\");
  EXPECT_EQ(ParentPath(L"\\\\server\\share\\b.txt"), L"\\\\server\\share");
  EXPECT_EQ(ParentPath(L"b.txt"), L"");
}

TEST(PathElements, LastElementAndJoin) {
  EXPECT_EQ(LastElement(L"C:\\a\\b.txt"), L"b.txt");
  EXPECT_EQ(LastElement(L"C:/a/b.txt"), L"b.txt");
  EXPECT_EQ(LastElement(L"b.txt"), L"b.txt");
  EXPECT_EQ(LastElement(L"C:\\a\\"), L"");
  EXPECT_EQ(JoinPath(L"C:\\a", L"Uninstall.ulog"), L"C:\\a\\Uninstall.ulog");
  EXPECT_EQ(JoinPath(L"C:\\", L"Uninstall.ulog"), L"C:\\Uninstall.ulog");
  EXPECT_EQ(JoinPath(L"", L"Uninstall.ulog"), L"Uninstall.ulog");
  // A parent and its last element make the path again.
  const std::wstring path = L"C:\\Games\\Meridel\\Uninstall.exe";
  EXPECT_EQ(JoinPath(ParentPath(path), LastElement(path)), path);
}

TEST(PathElements, ForwardSlashesBecomeBackslashes) {
  EXPECT_EQ(WithBackslashes(L"C:/Games/Meridel"), L"C:\\Games\\Meridel");
  EXPECT_EQ(WithBackslashes(L"//server/share\\x/"), L"\\\\server\\share\\x\\");
  EXPECT_EQ(WithBackslashes(L"C:\\Games"), L"C:\\Games");
}

}  // namespace
}  // namespace qw
