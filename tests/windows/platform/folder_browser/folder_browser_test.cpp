// The browser's preparation and typed-path validation, without showing the
// dialog.

#include "platform/folder_browser.h"

#include <gtest/gtest.h>

#include <shlobj.h>

namespace qw {
namespace {

std::wstring SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

TEST(FolderBrowserPrepare, AppendsTheSuffixToTheInitialFolder) {
  FolderBrowser browser(L"", false);
  browser.Prepare(L"C:\\Tools", L"Meridel 6");
  EXPECT_EQ(browser.path(), L"C:\\Tools\\Meridel 6");
  browser.Prepare(L"D:", L"Meridel 6");
  EXPECT_EQ(browser.path(), L"D:\\Meridel 6");
}

TEST(FolderBrowserPrepare, RelativeInitialFolderOpensAtDocuments) {
  FolderBrowser browser(L"", false);
  browser.Prepare(L"Tools", L"");
  EXPECT_EQ(browser.path(), SpecialFolder(CSIDL_PERSONAL));
}

TEST(FolderBrowserPrepare, SuffixWithInvalidCharactersIsDropped) {
  FolderBrowser browser(L"", false);
  browser.Prepare(L"C:\\Tools", L"Meridel*6");
  EXPECT_EQ(browser.path(), L"C:\\Tools");
}

TEST(FolderBrowserPrepare, WithTheProgramsRootPathsAreRelativeToTheStartMenu) {
  FolderBrowser browser(L"", false);
  browser.SetRoot(CSIDL_COMMON_PROGRAMS);
  const std::wstring programs = SpecialFolder(CSIDL_COMMON_PROGRAMS);
  ASSERT_FALSE(programs.empty());
  EXPECT_EQ(browser.RootParent(), SpecialFolder(CSIDL_COMMON_STARTMENU));
  browser.Prepare(programs + L"\\Quillon Works", L"Meridel 6");
  EXPECT_EQ(browser.path(), L"Programs\\Quillon Works\\Meridel 6");
  // No initial folder: the root itself.
  browser.Prepare(L"", L"Meridel 6");
  EXPECT_EQ(browser.path(), L"Programs\\Meridel 6");
}

TEST(FolderBrowserValidation, TypedPaths) {
  FolderBrowser browser(L"", false);
  std::wstring qualified;
  EXPECT_EQ(browser.ValidateTypedPath(L"D:", qualified), 0u);
  EXPECT_EQ(qualified, L"D:\\");
  EXPECT_EQ(browser.ValidateTypedPath(L"  C:\\New Folder\\  ", qualified), 0u);
  EXPECT_EQ(qualified, L"C:\\New Folder");
  EXPECT_EQ(browser.ValidateTypedPath(L"C:\\" + std::wstring(260, L'x'), qualified), 0x800700CEu);
  EXPECT_EQ(browser.ValidateTypedPath(L"C:\\Tools\\a*b", qualified), 161u);
}

TEST(FolderBrowserValidation, TypedPathMustStayUnderTheStartMenu) {
  FolderBrowser browser(L"", false);
  browser.SetRoot(CSIDL_COMMON_PROGRAMS);
  const std::wstring startMenu = browser.RootParent();
  ASSERT_FALSE(startMenu.empty());
  std::wstring qualified;
  EXPECT_EQ(browser.ValidateTypedPath(L"Programs\\Quillon Works", qualified), 0u);
  EXPECT_EQ(qualified, startMenu + L"\\Programs\\Quillon Works");
  EXPECT_EQ(browser.ValidateTypedPath(L"C:\\Windows", qualified), 161u);
  EXPECT_EQ(browser.ValidateTypedPath(L"..\\Elsewhere", qualified), 161u);
}

}  // namespace
}  // namespace qw
