// Screenshots of every page of the wizard, of the dropped-down language
// list, of the folder dialogs of both Browse buttons and of the About box,
// in English, French, German and Hebrew, for looking at the layout. The
// language is chosen as a user's would be: by the locale the installer
// starts with. Hebrew has no installer texts, so a Hebrew user's wizard is
// English (left to right); that set also shows the message for choosing
// Hebrew in the list.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "installer_robot.h"
#include "wizard_expectations.h"

namespace qw::test {
namespace {

struct Language {
  const wchar_t* folder;
  const wchar_t* locale;
  int listPosition;  // chosen in the language list when it has no installer texts, else -1
};

// Lets the page paint before its picture is taken.
void Settle(InstallerRobot& robot) {
  robot.BringToFront();
  ::Sleep(300);
}

void Shoot(InstallerRobot& robot, HWND window, const std::wstring& folder, const wchar_t* name) {
  Settle(robot);
  const std::wstring path = folder + L"\\" + name + L".png";
  EXPECT_TRUE(SaveScreenshot(window, path)) << "could not save " << std::string(path.begin(), path.end());
}

// The shell's folder dialog opened by the page's Browse button; cancelled.
void ShootFolderDialog(InstallerRobot& robot, const std::wstring& folder, const wchar_t* page) {
  ASSERT_TRUE(robot.Click(1006));
  HWND browser = robot.WaitForDialog();
  ASSERT_NE(browser, nullptr);
  ::SetWindowPos(browser, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE);
  ::Sleep(1000);  // the tree fills in
  EXPECT_TRUE(SaveScreenshot(browser, folder + L"\\" + page + L"-browse.png"));
  ASSERT_TRUE(InstallerRobot::ClickIn(browser, IDCANCEL));
  ASSERT_TRUE(InstallerRobot::WaitForClose(browser));
}

void ShootEveryPage(const Language& language) {
  const std::wstring folder = std::wstring(QW_SCREENSHOT_DIR) + L"\\" + language.folder;
  ::CreateDirectoryW(folder.c_str(), nullptr);
  InstallerRobot robot;
  ASSERT_TRUE(robot.Start(QW_TEST_INSTALLER, language.locale));
  ASSERT_TRUE(robot.WaitForPage(Page::Start));
  ::Sleep(1000);  // the first paint of a new window
  Shoot(robot, robot.Wizard(), folder, L"1-start");
  // The dropped-down list reaches beyond the wizard: the whole screen,
  // with the wizard no longer above the list.
  ::SetWindowPos(robot.Wizard(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
  ::SendMessageW(robot.Control(kLanguageList), CB_SHOWDROPDOWN, TRUE, 0);
  ::Sleep(500);
  EXPECT_TRUE(SaveScreenshot(::GetDesktopWindow(), folder + L"\\1-start-languages.png"));
  ::SendMessageW(robot.Control(kLanguageList), CB_SHOWDROPDOWN, FALSE, 0);
  if (language.listPosition >= 0) {
    ASSERT_TRUE(robot.ChooseComboItem(kLanguageList, language.listPosition));
    HWND box = robot.WaitForDialog();
    ASSERT_NE(box, nullptr);
    ::SetWindowPos(box, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE);
    ::Sleep(300);
    EXPECT_TRUE(SaveScreenshot(box, folder + L"\\1-start-chosen.png"));
    ASSERT_TRUE(InstallerRobot::ClickIn(box, IDOK));
    ASSERT_TRUE(InstallerRobot::WaitForClose(box));
  }

  ASSERT_TRUE(robot.SystemCommand(0x0010));
  HWND about = robot.WaitForDialog();
  ASSERT_NE(about, nullptr);
  ::SetWindowPos(about, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE);
  ::Sleep(300);
  EXPECT_TRUE(SaveScreenshot(about, folder + L"\\7-about.png"));
  ASSERT_TRUE(InstallerRobot::ClickIn(about, IDOK));
  ASSERT_TRUE(InstallerRobot::WaitForClose(about));

  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Mode));
  ASSERT_TRUE(robot.Click(kAdvanced));
  ASSERT_TRUE(WaitUntil([&] { return ::SendMessageW(robot.Control(kAdvanced), BM_GETCHECK, 0, 0) == BST_CHECKED; }));
  Shoot(robot, robot.Wizard(), folder, L"2-mode");
  const std::pair<Page, const wchar_t*> pages[] = {
      {Page::Path, L"3-path"}, {Page::Shortcut, L"4-shortcut"}, {Page::Install, L"5-install"}};
  for (const auto& [page, name] : pages) {
    ASSERT_TRUE(robot.Click(kNext));
    ASSERT_TRUE(robot.WaitForPage(page));
    Shoot(robot, robot.Wizard(), folder, name);
    if (page == Page::Path || page == Page::Shortcut) ShootFolderDialog(robot, folder, name);
  }
  ASSERT_TRUE(robot.Click(kNext));  // the run
  ASSERT_TRUE(WaitUntil([&] { return robot.IsEnabled(kExit) && !robot.IsEnabled(kBack); }));
  Shoot(robot, robot.Wizard(), folder, L"5-install-done");
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::End));
  Shoot(robot, robot.Wizard(), folder, L"6-end");
  ASSERT_TRUE(robot.Click(kExit));
  EXPECT_TRUE(robot.WaitForExit());
}

TEST(Screenshots, EveryPageInEnglishFrenchGermanAndHebrew) {
  constexpr int kHebrewPosition = 11;
  for (const Language& language : {Language{L"en", L"en_US.UTF-8", -1}, Language{L"fr", L"fr_FR.UTF-8", -1},
                                   Language{L"de", L"de_DE.UTF-8", -1},
                                   Language{L"he", L"he_IL.UTF-8", kHebrewPosition}}) {
    ShootEveryPage(language);
  }
}

}  // namespace
}  // namespace qw::test
