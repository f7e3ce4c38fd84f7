// The About box of the system menu: title, the installer's name and
// copyright from its version resource, the maker's contacts, OK.
#include <gtest/gtest.h>

#include "installer_robot.h"
#include "wizard_expectations.h"

namespace qw::test {
namespace {

// Every text of the dialog's controls, one after the other.
std::wstring AllTexts(HWND dialog) {
  std::wstring all;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    all += WindowText(child) + L"\n";
  }
  return all;
}

TEST(AboutBox, OpensFromTheSystemMenuWithTitleAndTexts) {
  InstallerRobot robot;
  ASSERT_TRUE(robot.Start(QW_TEST_INSTALLER));
  ASSERT_TRUE(robot.SystemCommand(0x0010));
  HWND about = robot.WaitForDialog();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(WindowText(about), L"About 'Installer'");
  EXPECT_EQ(WindowText(::GetDlgItem(about, IDC_ABOUT_NAME)), L"Install 2.03a");
  EXPECT_EQ(WindowText(::GetDlgItem(about, IDC_ABOUT_COPYRIGHT)),
            L"Copyright \u00A9 2026 Quillon Works. All rights reserved.");
  EXPECT_EQ(WindowText(::GetDlgItem(about, IDOK)), L"OK");
  const std::wstring texts = AllTexts(about);
  for (const wchar_t* contact : {L"Lyon", L"Telephone", L"Fax", L"support@quillonworks.com",
                                 L"www.quillonworks.com"}) {
    EXPECT_NE(texts.find(contact), std::wstring::npos) << "missing contact line";
  }
  ASSERT_TRUE(InstallerRobot::ClickIn(about, IDOK));
  EXPECT_TRUE(InstallerRobot::WaitForClose(about));
  EXPECT_TRUE(robot.Running());
}

}  // namespace
}  // namespace qw::test
