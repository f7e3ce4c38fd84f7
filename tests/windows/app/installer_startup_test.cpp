// Start-up of this tree's Install.exe as a process among others: the
// application lock keeps a second installer out, and the instance counter
// makes the installer ask the user to close the product while another
// process of the application runs. The product is played by
// named_object_helper registered under the installer's application id.
//
// These tests share the machine-wide objects of "Meridel6": each runs in a
// prefix of its own, as every other test that starts the installer does
// (a lane, cmake/WineTests.cmake).

#include <windows.h>

#include <gtest/gtest.h>

#include "build_tree.h"
#include "child_process.h"
#include "dialog_driver.h"
#include "helper_process.h"
#include "platform/instance_counter.h"
#include "platform/well_known_sid.h"
#include "platform/system_error.h"

namespace qw {
namespace {

using test::ChildProcess;
using test::WaitingHelper;

constexpr wchar_t kApplicationId[] = L"Meridel6";
constexpr wchar_t kTitle[] = L"Installer \u2013 Meridel 6.07c";
constexpr wchar_t kAdministratorText[] =
    L"You should have Administrator Rights in order to proceed to Installation.";
constexpr wchar_t kCloseProductText[] =
    L"You should close 'Meridel' before continuing Installation.";

ChildProcess StartInstaller() { return ChildProcess::Start(QW_TEST_INSTALLER, L""); }

// Exits the wizard as the user would (Exit, then Yes should it ask) and
// waits for the installer to end.
bool CloseWizard(const ChildProcess& installer, HWND wizard) {
  ::PostMessageW(wizard, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(wizard, IDCANCEL)));
  const ULONGLONG deadline = ::GetTickCount64() + test::kWindowTimeoutMs;
  while (!installer.WaitForExit(100)) {
    if (HWND confirmation = test::WaitForMessageBox(installer.id(), 0);
        confirmation && test::HasButton(confirmation, IDYES)) {
      test::PressButton(confirmation, IDYES);
    }
    if (::GetTickCount64() >= deadline) return false;
  }
  return true;
}

TEST(InstallerStartup, AloneItRunsAndASecondCopyIsRefused) {
  InstanceCounter probe(kApplicationId);  // reads the count, adds nothing
  ASSERT_EQ(probe.Count(), 0u) << "another process of the application is running";

  ChildProcess first = StartInstaller();
  ASSERT_TRUE(first.valid());
  const HWND wizard = test::WaitForWizard(first.id());
  ASSERT_NE(wizard, nullptr) << "the wizard did not appear";
  EXPECT_EQ(test::WindowText(wizard), kTitle);
  EXPECT_EQ(test::WaitForMessageBox(first.id(), 0), nullptr);
  EXPECT_EQ(probe.Count(), 1u);

  ChildProcess second = StartInstaller();
  ASSERT_TRUE(second.valid());
  const HWND busy = test::WaitForMessageBox(second.id());
  ASSERT_NE(busy, nullptr) << "the second installer showed no message";
  EXPECT_EQ(test::MessageBoxText(busy), SystemErrorText(ERROR_BUSY));
  EXPECT_EQ(test::WindowText(busy), L"Install");
  EXPECT_TRUE(test::PressButton(busy, IDOK));
  ASSERT_TRUE(second.WaitForExit(test::kWindowTimeoutMs));
  EXPECT_EQ(second.ExitCode(), 0u);
  EXPECT_EQ(test::WaitForWizard(second.id(), 0), nullptr);

  EXPECT_TRUE(first.Running()) << "the first installer ended with the second";
  ASSERT_TRUE(CloseWizard(first, wizard));
  // Both installers left the count when they ended.
  EXPECT_EQ(probe.Count(), 0u);
}

// The product runs (a helper registered under the installer's application
// id) when the installer starts: it asks to close the product first.
class InstallerStartupWhileTheProductRuns : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(product.ready());
    installer = StartInstaller();
    ASSERT_TRUE(installer.valid());
    box = test::WaitForMessageBox(installer.id());
    ASSERT_NE(box, nullptr) << "the installer did not ask to close the product";
  }

  WaitingHelper product{L"register", kApplicationId};
  ChildProcess installer;
  HWND box = nullptr;
};

TEST_F(InstallerStartupWhileTheProductRuns, RetryRepeatsThenContinues) {
  EXPECT_EQ(test::MessageBoxText(box), kCloseProductText);
  EXPECT_EQ(test::WindowText(box), kTitle);
  EXPECT_TRUE(test::HasButton(box, IDRETRY));
  EXPECT_TRUE(test::HasButton(box, IDCANCEL));

  // Retry while the product runs: the same question again.
  ASSERT_TRUE(test::PressButton(box, IDRETRY));
  ASSERT_TRUE(test::WaitForWindowGone(box));
  const HWND again = test::WaitForMessageBox(installer.id());
  ASSERT_NE(again, nullptr) << "Retry did not ask again while the product runs";
  EXPECT_EQ(test::MessageBoxText(again), kCloseProductText);
  EXPECT_EQ(test::WaitForWizard(installer.id(), 0), nullptr);

  // The product ends; Retry continues start-up.
  ASSERT_EQ(product.Quit(), 0u);
  ASSERT_TRUE(test::PressButton(again, IDRETRY));
  const HWND wizard = test::WaitForWizard(installer.id());
  ASSERT_NE(wizard, nullptr) << "start-up did not continue after the product ended";
  EXPECT_EQ(test::WaitForMessageBox(installer.id(), 0), nullptr);
  EXPECT_TRUE(CloseWizard(installer, wizard));
}

TEST_F(InstallerStartupWhileTheProductRuns, CancelEndsTheInstaller) {
  ASSERT_TRUE(test::PressButton(box, IDCANCEL));
  ASSERT_TRUE(installer.WaitForExit(test::kWindowTimeoutMs));
  EXPECT_EQ(installer.ExitCode(), 0u);
  EXPECT_TRUE(product.process().Running());
}

// A primary token like this process's, in which Administrators is for deny
// only (as for an administrator without elevation); none on failure.
UniqueHandle TokenWithoutAdministrators() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, &raw)) return {};
  const UniqueHandle token(raw);
  WellKnownSid administrators(WellKnownGroup::Administrators);
  SID_AND_ATTRIBUTES denyOnly{administrators.get(), 0};
  HANDLE restricted = nullptr;
  if (!::CreateRestrictedToken(token.get(), 0, 1, &denyOnly, 0, nullptr, 0, nullptr, &restricted)) {
    return {};
  }
  return UniqueHandle(restricted);
}

TEST(InstallerStartup, RefusesAUserWithoutAdministratorRights) {
  const UniqueHandle token = TokenWithoutAdministrators();
  ASSERT_TRUE(token) << ::GetLastError();
  ChildProcess installer = ChildProcess::StartAs(token.get(), QW_TEST_INSTALLER, L"");
  ASSERT_TRUE(installer.valid()) << ::GetLastError();
  const HWND box = test::WaitForMessageBox(installer.id());
  if (!box) {
    const HWND wizard = test::WaitForWizard(installer.id(), 0);
    if (wizard) CloseWizard(installer, wizard);
    FAIL() << "the installer showed no message";
  }
  EXPECT_EQ(test::MessageBoxText(box), kAdministratorText);
  EXPECT_EQ(test::WindowText(box), kTitle);
  ASSERT_TRUE(test::PressButton(box, IDOK));
  ASSERT_TRUE(installer.WaitForExit(test::kWindowTimeoutMs));
  EXPECT_EQ(test::WaitForWizard(installer.id(), 0), nullptr);
}

}  // namespace
}  // namespace qw
