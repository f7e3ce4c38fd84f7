// The exit confirmation: asked before the installation has succeeded, from
// the Exit button, from Escape and from the close box; No keeps the wizard.
// The commands of disabled buttons, which the keyboard and the close box
// still send, do nothing.
#include <gtest/gtest.h>

#include "build_tree.h"
#include "installer_robot.h"
#include "placed_installation.h"
#include "wizard_expectations.h"

namespace qw::test {
namespace {

const wchar_t* kConfirmation =
    L"Installation is not complete.\r\n\r\nDo you still confirm exit Installation ?";

// Waits for the confirmation box and checks its caption and text.
HWND ExpectConfirmation(const InstallerRobot& robot) {
  HWND box = robot.WaitForDialog();
  EXPECT_NE(box, nullptr) << "no confirmation was asked";
  if (!box) return nullptr;
  EXPECT_EQ(WindowText(box), kTitle) << "message boxes carry the application name";
  EXPECT_EQ(InstallerRobot::MessageBoxText(box), kConfirmation);
  EXPECT_NE(::GetDlgItem(box, IDYES), nullptr);
  EXPECT_NE(::GetDlgItem(box, IDNO), nullptr);
  return box;
}

// Waits for the confirmation and answers it with `button`.
void AnswerConfirmation(const InstallerRobot& robot, int button) {
  HWND box = ExpectConfirmation(robot);
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(InstallerRobot::ClickIn(box, button));
  ASSERT_TRUE(InstallerRobot::WaitForClose(box));
}

TEST(WizardExit, ExitAsksAndNoKeepsTheWizard) {
  InstallerRobot robot;
  ASSERT_TRUE(robot.Start(QW_TEST_INSTALLER));
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Mode));

  ASSERT_TRUE(robot.Click(kExit));
  AnswerConfirmation(robot, IDNO);
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_TRUE(robot.Running());
  EXPECT_EQ(robot.CurrentPage(), Page::Mode);

  ASSERT_TRUE(robot.Click(kExit));
  AnswerConfirmation(robot, IDYES);
  EXPECT_TRUE(robot.WaitForExit());
}

TEST(WizardExit, EscapeAndCloseBoxReachTheExitQuestion) {
  InstallerRobot robot;
  ASSERT_TRUE(robot.Start(QW_TEST_INSTALLER));
  ASSERT_TRUE(robot.WaitForPage(Page::Start));

  // Escape on the focused Next button: the dialog turns it into Cancel.
  ASSERT_TRUE(::PostMessageW(robot.Control(kNext), WM_KEYDOWN, VK_ESCAPE, 0));
  AnswerConfirmation(robot, IDNO);
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_TRUE(robot.Running());

  ASSERT_TRUE(::PostMessageW(robot.Wizard(), WM_CLOSE, 0, 0));
  AnswerConfirmation(robot, IDYES);
  EXPECT_TRUE(robot.WaitForExit());
}

TEST(WizardExit, SameVersionLeavesTheStartPageWithoutAQuestionButNotLaterPages) {
  PlacedInstallation installed(std::wstring(QW_INSTALLED_PROGRAMS) + L"\\Meridel-6.7.3.1.exe");
  ASSERT_TRUE(installed.ok());
  InstallerRobot robot;
  ASSERT_TRUE(robot.Start(QW_TEST_INSTALLER));
  ASSERT_TRUE(robot.WaitForPage(Page::Start));
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Mode));
  ASSERT_TRUE(robot.Click(kExit));
  AnswerConfirmation(robot, IDNO);
  ASSERT_FALSE(HasFatalFailure());

  ASSERT_TRUE(robot.Click(kBack));
  ASSERT_TRUE(robot.WaitForPage(Page::Start));
  ASSERT_TRUE(robot.Click(kExit));
  EXPECT_TRUE(robot.WaitForExit()) << "the Start page of a reinstallation asked before exiting";
}

// The command of a frame button as the dialog manager sends it for Enter,
// Escape or the close box, whether the button is enabled or not.
void PostButtonCommand(const InstallerRobot& robot, int id) {
  ::PostMessageW(robot.Wizard(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(robot.Control(id)));
}

TEST(WizardExit, CommandsOfDisabledButtonsDoNothing) {
  // A newer version is installed: Next is disabled on the Start page, and
  // Back is disabled there anyway.
  PlacedInstallation installed(std::wstring(QW_INSTALLED_PROGRAMS) + L"\\Meridel-6.8.0.0.exe");
  ASSERT_TRUE(installed.ok());
  InstallerRobot robot;
  ASSERT_TRUE(robot.Start(QW_TEST_INSTALLER));
  ASSERT_TRUE(robot.WaitForPage(Page::Start));
  ASSERT_FALSE(robot.IsEnabled(kBack));
  ASSERT_FALSE(robot.IsEnabled(kNext));
  PostButtonCommand(robot, kBack);
  PostButtonCommand(robot, kNext);
  // Posted messages are handled in order: once the About box asked for
  // after them is up, both commands have been handled.
  ASSERT_TRUE(robot.SystemCommand(0x0010));
  HWND about = robot.WaitForDialog();
  ASSERT_NE(about, nullptr) << "the installer did not answer";
  EXPECT_EQ(WindowText(about), L"About 'Installer'") << "another window was shown instead of the About box";
  ASSERT_TRUE(InstallerRobot::ClickIn(about, IDOK));
  ASSERT_TRUE(InstallerRobot::WaitForClose(about));
  EXPECT_TRUE(robot.Running());
  EXPECT_EQ(robot.CurrentPage(), Page::Start);
  EXPECT_FALSE(robot.IsEnabled(kNext));
  // Exit stays available; with a newer version it does not ask.
  PostButtonCommand(robot, kExit);
  EXPECT_TRUE(robot.WaitForExit());
}

}  // namespace
}  // namespace qw::test
