#include "app/install_context.h"

#include "app/default_folders.h"

#include <gtest/gtest.h>

#include "tests/windows/i18n/installer_strings.h"

namespace qw {
namespace {

TEST(InstallContext, InstalledVersionOnlyForOlderAndNewer) {
  InstallContext context(L"MeridelContextTest");
  context.m_installedVersion = L"Meridel 6.05";

  std::wstring text = L"untouched";
  context.m_installedState = InstalledState::SameVersion;
  EXPECT_EQ(context.GetInstalledState(&text), InstalledState::SameVersion);
  EXPECT_EQ(text, L"untouched");
  context.m_installedState = InstalledState::NotInstalled;
  EXPECT_EQ(context.GetInstalledState(&text), InstalledState::NotInstalled);
  EXPECT_EQ(text, L"untouched");

  context.m_installedState = InstalledState::OlderVersion;
  EXPECT_EQ(context.GetInstalledState(&text), InstalledState::OlderVersion);
  EXPECT_EQ(text, L"Meridel 6.05");
  text.clear();
  context.m_installedState = InstalledState::NewerVersion;
  EXPECT_EQ(context.GetInstalledState(&text), InstalledState::NewerVersion);
  EXPECT_EQ(text, L"Meridel 6.05");
}

TEST(InstallContext, ProductNames) {
  EXPECT_EQ(InstallContext::ProductDisplayName(true), L"Meridel");
  EXPECT_EQ(InstallContext::ProductDisplayName(false), L"Meridel 6.07c");
  EXPECT_EQ(InstallContext::ProductKey(), L"Meridel 6");
}

TEST(InstallContext, StartsWithSpecifiedChoices) {
  InstallContext context(L"MeridelContextTest");
  EXPECT_EQ(context.m_installedState, InstalledState::NotInstalled);
  EXPECT_TRUE(context.m_startMenuShortcut);
  EXPECT_TRUE(context.m_desktopShortcut);
  EXPECT_FALSE(context.m_advancedMode);
  EXPECT_FALSE(context.m_installSucceeded);
  EXPECT_TRUE(context.m_installFolder.empty());
}

}  // namespace
}  // namespace qw

namespace qw {
namespace {

TEST(DefaultFolders, UnderProgramFilesAndTheCommonStartMenu) {
  // Wine's folders (a 64-bit process sees the 64-bit Program Files).
  EXPECT_EQ(DefaultInstallFolder(), L"C:\\Program Files\\Quillon Works\\Meridel 6");
  EXPECT_EQ(DefaultStartMenuFolder(),
            L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Quillon Works\\Meridel 6");
}

}  // namespace
}  // namespace qw

namespace qw {
namespace {

// The title reads the installer's string tables.
using InstallContextTitle = InstallerStrings;

TEST_F(InstallContextTitle, FollowsTheLanguage) {
  SetLanguage(kEnglish);
  EXPECT_EQ(InstallContext::BuildTitle(true), L"Installer \u2013 Meridel 6.07c");
  EXPECT_EQ(InstallContext::BuildTitle(false), L"Installer");
  SetLanguage(kFrench);
  EXPECT_EQ(InstallContext::BuildTitle(true), L"Installeur \u2013 Meridel 6.07c");
  SetLanguage(kDutch);
  EXPECT_EQ(InstallContext::BuildTitle(true), L"Installer \u2013 Meridel 6.07c");
}

}  // namespace
}  // namespace qw
