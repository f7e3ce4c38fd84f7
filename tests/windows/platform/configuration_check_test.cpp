// Process initialisation checks: the processor check's message and exit
// code (in a child process, since it ends the process) and the acceptance
// rule of the common-controls library.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "child_process.h"
#include "dialog_driver.h"
#include "platform/common_controls.h"
#include "platform/configuration_check.h"

namespace {

constexpr wchar_t kWithoutSse2[] = L"--configuration-check-without-sse2";

TEST(ConfigurationCheck, PassesWithSse2) {
  // Static initialisation of this program ran nothing; the check does.
  qw::ConfigurationCheck();
  EXPECT_TRUE(qw::ConfigurationCheckPassed());
}

TEST(ConfigurationCheck, WithoutSse2ShowsOneBoxAndExitsWithOne) {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const qw::test::ChildProcess child = qw::test::ChildProcess::Start(self, kWithoutSse2);
  ASSERT_TRUE(child.valid()) << "CreateProcess failed";
  HWND box = qw::test::WaitForMessageBox(child.id());
  ASSERT_NE(box, nullptr) << "no message box";
  EXPECT_EQ(qw::test::MessageBoxText(box), qw::kIncompatibleConfigurationText);
  EXPECT_EQ(qw::test::WindowText(box), L"Error");  // no caption given: the system's default
  EXPECT_TRUE(qw::test::PressButton(box, IDOK));
  ASSERT_TRUE(child.WaitForExit(20000));
  EXPECT_EQ(child.ExitCode(), 1u);
}

TEST(CommonControls, AcceptsVersionSixOrTheSideBySideAssembly) {
  const std::wstring system = L"C:\\windows\\system32\\comctl32.dll";
  const std::wstring assembly =
      L"C:\\windows\\winsxs\\x86_microsoft.windows.common-controls_6595b64144ccf1df_"
      L"6.0.2600.2982_none_deadbeef\\COMCTL32.DLL";
  EXPECT_TRUE(qw::CommonControlsAcceptable(0x60000, system));
  EXPECT_TRUE(qw::CommonControlsAcceptable(0x6000A, system));
  EXPECT_FALSE(qw::CommonControlsAcceptable(0x50051, system));  // 5.81
  EXPECT_TRUE(qw::CommonControlsAcceptable(0x50051, assembly));
  // Another assembly of the side-by-side store is not the 6.0 library.
  EXPECT_FALSE(qw::CommonControlsAcceptable(
      0x50051, L"C:\\windows\\winsxs\\x86_microsoft.windows.gdiplus_6595b64144ccf1df_1.1.0.0_x\\gdiplus.dll"));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--configuration-check-without-sse2") {
    qw::ConfigurationCheck(false);
    return 0;  // not reached: the check ends the process
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
