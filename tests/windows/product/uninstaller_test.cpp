// The uninstaller as it is for now: a program of this tree that says what
// it will do and ends when the user answers.

#include <windows.h>

#include <gtest/gtest.h>

#include "child_process.h"
#include "dialog_driver.h"
#include "platform/file_version_info.h"
#include "sample_product_manifest.h"

namespace qw::test {
namespace {

std::wstring UninstallerPath() { return ProductFolder() + L"bin\\Uninstall.exe"; }

TEST(Uninstaller, VersionResourceNamesTheProduct) {
  const FileVersionInfo info = FileVersionInfo::FromFile(UninstallerPath());
  ASSERT_FALSE(info.empty());
  EXPECT_EQ(info.FixedFileVersion(), 0x0006000700030001ull);
  EXPECT_EQ(info.DisplayName(), L"Meridel 6.07c");
  EXPECT_EQ(info.StringValue(L"OriginalFilename"), L"Uninstall.exe");
}

TEST(Uninstaller, SaysItWillUninstallMeridelAndEndsOnOk) {
  ChildProcess uninstaller = ChildProcess::Start(UninstallerPath(), L"");
  ASSERT_TRUE(uninstaller.valid()) << ::GetLastError();
  const HWND box = WaitForMessageBox(uninstaller.id());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(WindowText(box), L"Uninstall Meridel 6.07c");
  EXPECT_NE(MessageBoxText(box).find(L"uninstall Meridel 6.07c"), std::wstring::npos)
      << ::testing::PrintToString(MessageBoxText(box));
  ASSERT_TRUE(PressButton(box, IDOK));
  ASSERT_TRUE(uninstaller.WaitForExit(20000));
  EXPECT_EQ(uninstaller.ExitCode(), 0u);
}

}  // namespace
}  // namespace qw::test
