// The state table of the wizard frame through whole walks: captions,
// enabled buttons and the page shown, Back at every page, the quick method
// skipping the folder and shortcut pages.
#include <gtest/gtest.h>

#include "build_tree.h"
#include "installer_robot.h"
#include "machine_cleanup.h"
#include "wizard_expectations.h"

namespace qw::test {
namespace {

struct ButtonState {
  Page page;
  bool back;
  bool next;
  const wchar_t* nextCaption;
  const wchar_t* exitCaption;
};

bool Matches(const InstallerRobot& robot, const ButtonState& s) {
  return robot.CurrentPage() == s.page && robot.IsEnabled(kBack) == s.back &&
         robot.IsEnabled(kNext) == s.next && robot.IsEnabled(kExit) &&
         robot.Text(kNext) == s.nextCaption && robot.Text(kExit) == s.exitCaption;
}

// The frame shows the page before it sets the buttons: wait for the whole
// state, then report what differs.
void ExpectState(const InstallerRobot& robot, const ButtonState& s) {
  WaitUntil([&] { return Matches(robot, s); });
  ASSERT_EQ(robot.CurrentPage(), s.page) << "expected page " << PageName(s.page) << ", shown "
                                         << PageName(robot.CurrentPage());
  EXPECT_EQ(robot.IsEnabled(kBack), s.back) << PageName(s.page);
  EXPECT_EQ(robot.IsEnabled(kNext), s.next) << PageName(s.page);
  EXPECT_TRUE(robot.IsEnabled(kExit)) << PageName(s.page);
  EXPECT_EQ(robot.Text(kNext), s.nextCaption) << PageName(s.page);
  EXPECT_EQ(robot.Text(kBack), kBackCaption) << PageName(s.page);
  EXPECT_EQ(robot.Text(kExit), s.exitCaption) << PageName(s.page);
}

const ButtonState kStart{Page::Start, false, true, kNextCaption, L"Cancel"};
const ButtonState kMode{Page::Mode, true, true, kNextCaption, L"Cancel"};
const ButtonState kPath{Page::Path, true, true, kNextCaption, L"Cancel"};
const ButtonState kShortcut{Page::Shortcut, true, true, kNextCaption, L"Cancel"};
const ButtonState kInstall{Page::Install, true, true, L"Install", L"Cancel"};
const ButtonState kInstalled{Page::Install, false, true, kNextCaption, L"Exit"};
const ButtonState kEnd{Page::End, true, false, kNextCaption, L"Exit"};

TEST(WizardWalk, QuickMethodToEndAndExitWithoutQuestion) {
  ScopedMachineCleanup installed;  // Install installs for real: taken away afterwards
  InstallerRobot robot;
  ASSERT_TRUE(robot.Start(QW_TEST_INSTALLER));
  EXPECT_EQ(WindowText(robot.Wizard()), kTitle);
  ExpectState(robot, kStart);
  EXPECT_EQ(robot.Text(kStatus), L"Click on 'Next' to continue.");
  EXPECT_EQ(robot.Text(kInfo), L"'Meridel 6.07c' Installation.");
  EXPECT_FALSE(robot.Click(kBack)) << "a disabled button cannot be clicked";

  ASSERT_TRUE(robot.Click(kNext));
  ExpectState(robot, kMode);
  ASSERT_TRUE(robot.Click(kNext));  // quick: straight to Install
  ExpectState(robot, kInstall);
  EXPECT_EQ(robot.Text(kStatus), L"Click on 'Install' to start Installation.");
  EXPECT_FALSE(robot.IsVisible(kProgress));
  ASSERT_TRUE(robot.Click(kBack));
  ExpectState(robot, kMode);
  ASSERT_TRUE(robot.Click(kNext));
  ExpectState(robot, kInstall);

  ASSERT_TRUE(robot.Click(kNext));  // Install
  ASSERT_TRUE(WaitUntil([&] { return robot.Text(kExit) == L"Exit"; }, kInstallationTimeoutMs));
  ExpectState(robot, kInstalled);
  EXPECT_TRUE(robot.IsVisible(kProgress));
  EXPECT_EQ(robot.Text(kStatus), L"Click on 'Next' to continue.");

  ASSERT_TRUE(robot.Click(kNext));
  ExpectState(robot, kEnd);
  EXPECT_EQ(robot.Text(kInfo), L"Installation is complete.");
  ASSERT_TRUE(robot.Click(kBack));
  ExpectState(robot, kInstalled);
  ASSERT_TRUE(robot.Click(kNext));
  ExpectState(robot, kEnd);

  ASSERT_TRUE(robot.Click(kExit));
  EXPECT_TRUE(robot.WaitForExit()) << "Exit after a successful installation asks nothing";
}

TEST(WizardWalk, AdvancedMethodWithBackAtEveryPage) {
  InstallerRobot robot;
  ASSERT_TRUE(robot.Start(QW_TEST_INSTALLER));
  ExpectState(robot, kStart);
  ASSERT_TRUE(robot.Click(kNext));
  ExpectState(robot, kMode);
  ASSERT_TRUE(robot.Click(kBack));
  ExpectState(robot, kStart);
  ASSERT_TRUE(robot.Click(kNext));
  ExpectState(robot, kMode);

  ASSERT_TRUE(robot.ChooseRadio(kAdvanced));
  const ButtonState forward[] = {kPath, kShortcut, kInstall};
  const ButtonState backward[] = {kMode, kPath, kShortcut};
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(robot.Click(kNext));
    ExpectState(robot, forward[i]);
    ASSERT_TRUE(robot.Click(kBack));
    ExpectState(robot, backward[i]);
    ASSERT_TRUE(robot.Click(kNext));
    ExpectState(robot, forward[i]);
  }
  // Back to Mode, choose quick again: Next skips Path and Shortcut both ways.
  for (const ButtonState& s : {kShortcut, kPath, kMode}) {
    ASSERT_TRUE(robot.Click(kBack));
    ExpectState(robot, s);
  }
  ASSERT_TRUE(robot.ChooseRadio(kQuick));
  ASSERT_TRUE(robot.Click(kNext));
  ExpectState(robot, kInstall);
  ASSERT_TRUE(robot.Click(kBack));
  ExpectState(robot, kMode);
  ASSERT_TRUE(robot.Click(kBack));
  ExpectState(robot, kStart);
}

}  // namespace
}  // namespace qw::test
