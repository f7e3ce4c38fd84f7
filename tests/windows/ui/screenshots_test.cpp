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

#include <fstream>
#include <sstream>
#include <string>

#include "build_tree.h"
#include "child_process.h"
#include "installer_copy.h"
#include "installer_robot.h"
#include "machine_cleanup.h"
#include "payload/wide_path.h"
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

// The dialog the last action opened, above the others, saved as `path` once
// it has painted (`settleMs`) and then closed with its button `close`.
void ShootDialog(const InstallerRobot& robot, const std::wstring& path, DWORD settleMs, int close) {
  HWND dialog = robot.WaitForDialog();
  ASSERT_NE(dialog, nullptr);
  ::SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE);
  ::Sleep(settleMs);
  EXPECT_TRUE(SaveScreenshot(dialog, path));
  ASSERT_TRUE(InstallerRobot::ClickIn(dialog, close));
  ASSERT_TRUE(InstallerRobot::WaitForClose(dialog));
}

// The shell's folder dialog opened by the page's Browse button; cancelled
// (its tree takes a while to fill in).
void ShootFolderDialog(InstallerRobot& robot, const std::wstring& folder, const wchar_t* page) {
  ASSERT_TRUE(robot.Click(IDC_BROWSE));
  ShootDialog(robot, folder + L"\\" + page + L"-browse.png", 1000, IDCANCEL);
}

// The installer carrying the tests' small payload: the shipped one has file
// names with accents, which Wine cannot create when the installer runs
// under a Unix locale the system lacks (as the French and German sets may),
// and the pictures are of the wizard, not of that payload.
std::wstring ScreenshotInstaller() {
  std::ifstream file(WidePath(QW_TEST_PAYLOAD).string(), std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  const std::wstring installer = TestProgramFolder() + L"install_screenshots.exe";
  return MakeInstallerWithPayload(QW_TEST_INSTALLER, installer, bytes.str()) ? installer : std::wstring();
}

void ShootEveryPage(const Language& language) {
  const std::wstring folder = std::wstring(QW_SCREENSHOT_DIR) + L"\\" + language.folder;
  ::CreateDirectoryW(folder.c_str(), nullptr);
  ScopedMachineCleanup installed;  // Install installs for real: taken away afterwards
  InstallerRobot robot;
  const std::wstring installer = ScreenshotInstaller();
  ASSERT_FALSE(installer.empty());
  ASSERT_TRUE(robot.Start(installer, language.locale));
  ASSERT_TRUE(robot.WaitForPage(Page::Start));
  ::Sleep(1000);  // the first paint of a new window
  Shoot(robot, robot.Wizard(), folder, L"1-start");
  // The dropped-down list reaches beyond the wizard: the whole screen,
  // with the wizard no longer above the list.
  ::SetWindowPos(robot.Wizard(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
  Send(robot.Control(kLanguageList), CB_SHOWDROPDOWN, TRUE);
  ::Sleep(500);
  EXPECT_TRUE(SaveScreenshot(::GetDesktopWindow(), folder + L"\\1-start-languages.png"));
  Send(robot.Control(kLanguageList), CB_SHOWDROPDOWN, FALSE);
  if (language.listPosition >= 0) {
    ASSERT_TRUE(robot.ChooseComboItem(kLanguageList, language.listPosition));
    ShootDialog(robot, folder + L"\\1-start-chosen.png", 300, IDOK);
  }

  ASSERT_TRUE(robot.SystemCommand(0x0010));
  ShootDialog(robot, folder + L"\\7-about.png", 300, IDOK);

  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Mode));
  ASSERT_TRUE(robot.ChooseRadio(kAdvanced));
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
  // The run is over when Next is back (Exit alone also shows a failure).
  ASSERT_TRUE(WaitUntil([&] { return robot.IsEnabled(kNext) && !robot.IsEnabled(kBack); }, 120000))
      << ::testing::PrintToString(robot.Text(kStatus));
  // The page is shown again at the end of the run: its buttons settle and
  // the window repaints a moment later.
  ::Sleep(1000);
  Shoot(robot, robot.Wizard(), folder, L"5-install-done");
  ASSERT_TRUE(WaitUntil([&] { return robot.Click(kNext); }));
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
