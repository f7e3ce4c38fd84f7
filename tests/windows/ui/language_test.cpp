// Re-labelling in another language: the installer started for a German
// user, and a language chosen on the Start page, change the title, the
// buttons and the pages' texts. The expected texts are the installer's own
// German string resources; a build without them skips.
#include <gtest/gtest.h>

#include "installer_robot.h"
#include "wizard_expectations.h"

namespace qw::test {
namespace {

constexpr int kGermanBlock = 2000;
constexpr int kGermanListPosition = 2;

// A string resource of the installer; empty when it has none.
std::wstring InstallerString(UINT id) {
  HMODULE module = ::LoadLibraryExW(QW_TEST_INSTALLER, nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) return std::wstring();
  const wchar_t* text = nullptr;
  const int length = ::LoadStringW(module, id, reinterpret_cast<wchar_t*>(&text), 0);
  std::wstring result = length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
  ::FreeLibrary(module);
  return result;
}

std::wstring German(UINT baseId) { return InstallerString(baseId + kGermanBlock); }

std::wstring Format(std::wstring text, const std::wstring& arg) {
  const std::size_t at = text.find(L"%1");
  if (at != std::wstring::npos) text.replace(at, 2, arg);
  return text;
}

void ExpectGermanStartPage(const InstallerRobot& robot) {
  EXPECT_EQ(WindowText(robot.Wizard()), German(1000) + L" \u2013 Meridel 6.07c");
  EXPECT_EQ(robot.Text(kNext), German(1006) + L"  >");
  EXPECT_EQ(robot.Text(kBack), L"<  " + German(1005));
  EXPECT_EQ(robot.Text(kExit), German(1002));
  EXPECT_EQ(robot.Text(kStatus), Format(German(1106), German(1006)));
}

TEST(WizardLanguage, GermanUserGetsGermanTexts) {
  if (German(1006).empty()) GTEST_SKIP() << "this build has no German texts yet";
  InstallerRobot robot;
  ASSERT_TRUE(robot.Start(QW_TEST_INSTALLER, L"de_DE.UTF-8"));
  ASSERT_TRUE(robot.WaitForPage(Page::Start));
  ExpectGermanStartPage(robot);
}

TEST(WizardLanguage, ChoosingGermanRelabelsEverything) {
  if (German(1006).empty()) GTEST_SKIP() << "this build has no German texts yet";
  InstallerRobot robot;
  ASSERT_TRUE(robot.Start(QW_TEST_INSTALLER, L"en_US.UTF-8"));
  ASSERT_TRUE(robot.WaitForPage(Page::Start));
  EXPECT_EQ(robot.Text(kNext), kNextCaption);
  if (robot.ComboItemCount(kLanguageList) <= kGermanListPosition) {
    GTEST_SKIP() << "the language list is not filled yet";
  }
  ASSERT_TRUE(robot.ChooseComboItem(kLanguageList, kGermanListPosition));
  ASSERT_TRUE(WaitUntil([&] { return robot.Text(kNext) == German(1006) + L"  >"; }));
  ExpectGermanStartPage(robot);
  // The other pages were re-labelled too.
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Mode));
  EXPECT_EQ(robot.Text(1021), German(1015));
  EXPECT_EQ(robot.Text(kQuick), German(1016));
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Install));
  EXPECT_EQ(robot.Text(kNext), German(1007));
  EXPECT_EQ(robot.Text(kStatus), Format(German(1108), German(1007)));
}

}  // namespace
}  // namespace qw::test
