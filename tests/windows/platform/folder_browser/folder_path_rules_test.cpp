#include "platform/folder_path_rules.h"

#include <gtest/gtest.h>

namespace qw {
namespace {

TEST(EndsWith, CountsMatchingTrailingComponents) {
  EXPECT_EQ(EndsWith(L"C:\\Tools\\Meridel 6", L"Meridel 6"), 1);
  EXPECT_EQ(EndsWith(L"C:\\Tools\\meridel 6\\", L"MERIDEL 6\\"), 1);
  EXPECT_EQ(EndsWith(L"C:\\Program Files\\Quillon Works\\Meridel 6", L"Quillon Works\\Meridel 6"), 2);
}

TEST(EndsWith, NeedsAComponentInFrontAndWholeNames) {
  EXPECT_EQ(EndsWith(L"Meridel 6", L"Meridel 6"), 0);
  EXPECT_EQ(EndsWith(L"C:\\Tools\\XMeridel 6", L"Meridel 6"), 0);
  EXPECT_EQ(EndsWith(L"C:\\Tools", L"Meridel 6"), 0);
  EXPECT_EQ(EndsWith(L"C:\\Meridel 6\\Tools", L"Meridel 6"), 0);
  // Only part of the suffix matches.
  EXPECT_EQ(EndsWith(L"C:\\Apps\\Meridel 6", L"Quillon Works\\Meridel 6"), 0);
}

TEST(EndsWith, TooLongForAPathBufferIsNoMatch) {
  const std::wstring longPath = L"C:\\" + std::wstring(300, L'a') + L"\\Meridel 6";
  EXPECT_EQ(EndsWith(longPath, L"Meridel 6"), 0);
}

TEST(AppendSuffix, AppendsWhatIsMissing) {
  EXPECT_EQ(AppendSuffix(L"D:\\Apps", L"Meridel 6"), L"D:\\Apps\\Meridel 6");
  EXPECT_EQ(AppendSuffix(L"D:\\Apps\\Meridel 6", L"Meridel 6"), L"D:\\Apps\\Meridel 6");
  EXPECT_EQ(AppendSuffix(L"C:\\Program Files\\Quillon Works", L"Quillon Works\\Meridel 6"),
            L"C:\\Program Files\\Quillon Works\\Meridel 6");
  EXPECT_EQ(AppendSuffix(L"C:\\Program Files", L"Quillon Works\\Meridel 6"),
            L"C:\\Program Files\\Quillon Works\\Meridel 6");
  EXPECT_EQ(AppendSuffix(L"D:\\", L"Meridel 6"), L"D:\\Meridel 6");
  EXPECT_EQ(AppendSuffix(L"D:\\Apps", L""), L"D:\\Apps");
}

TEST(AppendSuffix, PathThatCannotGrowStaysAsItWas) {
  const std::wstring full = L"C:\\" + std::wstring(250, L'a');
  EXPECT_EQ(AppendSuffix(full, L"Meridel 6"), full);
}

TEST(RemoveLastComponents, GivesTheBaseFolder) {
  EXPECT_EQ(RemoveLastComponents(L"C:\\Tools\\Meridel 6", 1), L"C:\\Tools");
  EXPECT_EQ(RemoveLastComponents(L"C:\\Program Files\\Quillon Works\\Meridel 6\\", 2),
            L"C:\\Program Files");
}

TEST(RelativeToFolder, StartMenuRelativeTexts) {
  bool ok = false;
  EXPECT_EQ(RelativeToFolder(L"C:\\Menu\\Programs\\Quillon Works\\Meridel 6", L"C:\\Menu", ok),
            L"Programs\\Quillon Works\\Meridel 6");
  EXPECT_TRUE(ok);
  EXPECT_EQ(RelativeToFolder(L"C:\\Menu", L"C:\\Menu", ok), L"");
  EXPECT_TRUE(ok);
  EXPECT_EQ(RelativeToFolder(L"C:\\Other\\Place", L"C:\\Menu", ok), L"..\\Other\\Place");
  EXPECT_TRUE(ok);
  RelativeToFolder(L"D:\\Menu\\Programs", L"C:\\Menu", ok);
  EXPECT_FALSE(ok);
}

// The Shortcut page shows the Start-menu folder relative to the Start Menu
// and saves the text joined to it again.
TEST(CombineFolder, GivesBackWhatRelativeToFolderTookAway) {
  const std::wstring base = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
  for (const std::wstring& folder : {base, base + L"\\Programs\\Quillon Works\\Meridel 6"}) {
    bool ok = false;
    const std::wstring relative = RelativeToFolder(folder, base, ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(CombineFolder(base, relative), folder);
  }
  bool ok = false;
  EXPECT_EQ(RelativeToFolder(base, base, ok), L"");
  EXPECT_EQ(CombineFolder(base, L""), base);
  // A folder on another volume is kept as it is.
  EXPECT_EQ(CombineFolder(base, L"D:\\Menu\\Meridel 6"), L"D:\\Menu\\Meridel 6");
  EXPECT_EQ(CombineFolder(base, L"..\\Other"), L"C:\\ProgramData\\Microsoft\\Windows\\Other");
  // Too long: no folder at all, rather than the base folder in its place.
  EXPECT_EQ(CombineFolder(base, std::wstring(270, L'a')), L"");
  EXPECT_EQ(CombineFolder(base, std::wstring(260 - base.size(), L'a')), L"");
  EXPECT_EQ(CombineFolder(base, std::wstring(258 - base.size(), L'a')).size(), 259u);  // the longest
}

TEST(RemoveLastComponents, SelectionThatAlreadyEndsWithTheSuffix) {
  const std::wstring chosen = AppendSuffix(L"C:\\Tools\\Meridel 6", L"Meridel 6");
  EXPECT_EQ(chosen, L"C:\\Tools\\Meridel 6");
  EXPECT_EQ(RemoveLastComponents(chosen, EndsWith(chosen, L"Meridel 6")), L"C:\\Tools");
}

TEST(IsValidPathText, RefusesWildcardsAndInvalidCharacters) {
  EXPECT_TRUE(IsValidPathText(L"C:\\Program Files\\Quillon Works\\Meridel 6"));
  EXPECT_FALSE(IsValidPathText(L"C:\\Tools\\*"));
  EXPECT_FALSE(IsValidPathText(L"C:\\Tools\\a?b"));
  EXPECT_FALSE(IsValidPathText(L"C:\\Tools\\a|b"));
  EXPECT_FALSE(IsValidPathText(L"Meridel \"6\""));
}

}  // namespace
}  // namespace qw
