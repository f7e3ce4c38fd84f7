// The frame's buttons on the Install page, around a run of the real
// installer: Exit asks message 1110 before the run and after a failed one
// (No keeps the wizard); while files are being copied Back, Next and Exit
// are disabled, Escape and the close request do nothing, and Tab moves the
// focus as it does outside a run.
#include <gtest/gtest.h>

#include <utility>

#include "i18n/language_state.h"
#include "install_robot.h"
#include "wizard_expectations.h"
#include "test_text.h"

namespace qw::test {
namespace {

// Exit pressed: the question must come, and No must keep the wizard on the
// Install page with Install offered again.
void ExitAnsweredNo(InstallerRobot& robot) {
  ASSERT_TRUE(robot.Click(kExit));
  const HWND question = robot.WaitForDialog();
  ASSERT_NE(question, nullptr) << "Exit on the Install page ended the wizard without asking";
  EXPECT_EQ(InstallerRobot::MessageBoxText(question), L"Installation is not complete.\r\n\r\nDo you still confirm exit Installation ?");
  ASSERT_TRUE(InstallerRobot::ClickIn(question, IDNO));
  ASSERT_TRUE(InstallerRobot::WaitForClose(question));
  EXPECT_TRUE(robot.Running());
  EXPECT_EQ(robot.CurrentPage(), Page::Install);
  EXPECT_TRUE(robot.IsEnabled(kNext));
  EXPECT_EQ(robot.Text(kNext), L"Install");
}

class InstallPageButtons : public InstallationTest {
 protected:
  // An installation whose copying lasts seconds (large files that bzip2
  // cannot shrink), started on its Install page.
  void StartLongCopy(InstallerRobot& robot, const std::wstring& name, const std::wstring& folder) {
    std::vector<PackedFile> files{{1, L"<InstallPath>", L"Meridel.exe", "the program"},
                                  {2, L"<InstallPath>", L"Uninstall.exe", "the uninstaller"}};
    for (std::uint32_t i = 0; i < 8; ++i) {
      files.push_back({0, L"<InstallPath>\\Textures", L"Texture" + std::to_wstring(i) + L".bin",
                       IncompressibleBytes(2u << 20, i + 11)});
    }
    StartAdvanced(robot, InstallerWith(PackArchive(files), name), folder);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(robot.Click(kNext));
  }

  // Until the run ended with the wizard waiting for Next.
  static bool WaitForTheRunToEnd(InstallerRobot& robot) {
    return WaitUntil(
        [&] { return !robot.Running() || (robot.IsEnabled(kExit) && robot.Text(kStatus).find(L"Next") != std::wstring::npos); },
        180000);
  }
};

TEST_F(InstallPageButtons, ExitAsksBeforeTheRunAndAfterAFailureAndNoKeepsTheWizard) {
  // Half an archive: the run fails at its test, before anything is written.
  const std::string truncated = testArchive_.substr(0, testArchive_.size() / 2);
  InstallerRobot robot;
  StartQuick(robot, InstallerWith(truncated, L"install_exit_question"));
  ASSERT_FALSE(HasFatalFailure());

  ExitAnsweredNo(robot);
  ASSERT_FALSE(HasFatalFailure());

  const RunResult run = PressInstall(robot);
  ASSERT_TRUE(run.finished);
  ASSERT_FALSE(run.succeeded) << Narrow(run.status);
  EXPECT_EQ(run.status, L"Installation failed (Error Code 4).");
  ExitAnsweredNo(robot);
  ASSERT_FALSE(HasFatalFailure());

  // Yes ends it.
  ASSERT_TRUE(robot.Click(kExit));
  const HWND question = robot.WaitForDialog();
  ASSERT_NE(question, nullptr);
  ASSERT_TRUE(InstallerRobot::ClickIn(question, IDYES));
  EXPECT_TRUE(robot.WaitForExit());
}

TEST_F(InstallPageButtons, WhileFilesAreCopiedTheButtonsAreDisabledAndEscapeAndCloseDoNothing) {
  InstallerRobot robot;
  StartLongCopy(robot, L"install_buttons", L"C:\\QwButtons\\Meridel 6");
  ASSERT_FALSE(HasFatalFailure());

  std::size_t copyingPolls = 0;
  std::vector<std::string> enabled;
  bool requested = false, questionShown = false;
  const bool ended = WaitUntil(
      [&] {
        const std::wstring status = robot.Text(kStatus);
        if (status.rfind(L"Copying File", 0) == 0) {
          ++copyingPolls;
          const std::pair<int, const char*> buttons[] = {{kBack, "Back"}, {kNext, "Next"}, {kExit, "Exit"}};
          for (const auto& [id, name] : buttons) {
            if (robot.IsEnabled(id)) enabled.push_back(std::string(name) + " at \"" + Narrow(status) + "\"");
          }
          if (!requested) {
            // Escape as the keyboard sends it, the close box's request,
            // and the Cancel command the dialog manager makes of both.
            ::PostMessageW(robot.Wizard(), WM_KEYDOWN, VK_ESCAPE, 0);
            ::PostMessageW(robot.Wizard(), WM_CLOSE, 0, 0);
            ::PostMessageW(robot.Wizard(), WM_COMMAND, MAKEWPARAM(kExit, BN_CLICKED),
                           reinterpret_cast<LPARAM>(robot.Control(kExit)));
            requested = true;
          }
        }
        // A question blocks the run until answered: stop watching.
        questionShown = questionShown || VisibleDialogs(robot.ProcessId()).size() > 1;
        return questionShown || !robot.Running() || (robot.IsEnabled(kExit) && status.find(L"Next") != std::wstring::npos);
      },
      180000);
  ASSERT_TRUE(ended) << "the run did not end: " << Narrow(robot.Text(kStatus));
  EXPECT_GE(copyingPolls, 3u) << "the copying was watched";
  EXPECT_TRUE(requested);
  EXPECT_TRUE(enabled.empty()) << enabled.size() << " polls found a button enabled, first: " << enabled.front();
  EXPECT_FALSE(questionShown) << "Escape or the close request reached the Exit question during the run";
  ASSERT_TRUE(robot.Running()) << "Escape or the close request ended the installer during the run";
  EXPECT_EQ(robot.Text(kStatus), L"Click on 'Next' to continue.");
  EXPECT_EQ(robot.CurrentPage(), Page::Install);
}

// The dialog keys reach the frame while the run pumps messages, as in its
// modal loop: with Back, Next and Exit disabled, Tab can only take the focus
// to the log, the one tab stop left. Without the frame's dialog keys the Tab
// reaches the frame as a plain key and the focus stays where it was.
TEST_F(InstallPageButtons, WhileFilesAreCopiedTabMovesTheFocusToTheLog) {
  InstallerRobot robot;
  StartLongCopy(robot, L"install_tab", L"C:\\QwTab\\Meridel 6");
  ASSERT_FALSE(HasFatalFailure());
  const HWND log = robot.Control(kLog);
  ASSERT_NE(log, nullptr);

  HWND before = nullptr;
  bool tabbed = false, movedWhileCopying = false;
  std::wstring status;
  const bool watched = WaitUntil(
      [&] {
        status = robot.Text(kStatus);
        if (status.rfind(L"Copying File", 0) != 0) return tabbed || !robot.Running();
        if (!tabbed) {
          before = robot.FocusedWindow();
          // Tab as the keyboard sends it when no control has the focus:
          // to the active window, the frame.
          ::PostMessageW(before ? before : robot.Wizard(), WM_KEYDOWN, VK_TAB, 0);
          tabbed = true;
          return false;
        }
        movedWhileCopying = robot.FocusedWindow() == log;
        return movedWhileCopying;
      },
      180000);
  ASSERT_TRUE(tabbed) << "the copying was not seen: " << Narrow(status);
  EXPECT_NE(before, log) << "the log had the focus before the Tab";
  EXPECT_TRUE(watched && movedWhileCopying) << "the focus did not reach the log while files were copied; the status "
                                            << "read \"" << Narrow(status) << "\"";
  EXPECT_TRUE(WaitForTheRunToEnd(robot)) << Narrow(robot.Text(kStatus));
  EXPECT_EQ(robot.CurrentPage(), Page::Install);
}

}  // namespace
}  // namespace qw::test
