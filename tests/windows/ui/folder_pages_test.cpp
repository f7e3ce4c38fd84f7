// The Path and Shortcut pages of the advanced method: typed folders that
// reach the install log (forward slashes as backslashes), a folder longer
// than a path refused, the Start-menu check box enabling its folder, and
// the shell's folder dialog opened from both pages, driven to a selection
// and to refused typed paths.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <commctrl.h>

#include "build_tree.h"
#include "installer_robot.h"
#include "installer_strings.h"
#include "wizard_expectations.h"
#include "test_text.h"

namespace qw::test {
namespace {

constexpr int kBrowse = IDC_BROWSE, kFolder = IDC_FOLDER, kMenuShortcut = IDC_MENU_SHORTCUT,
              kDesktopShortcut = IDC_DESKTOP_SHORTCUT;

void SetText(HWND window, const std::wstring& text) {
  Send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

// The default Start-menu folder as the Shortcut page shows it.
std::wstring DefaultMenuText() {
  wchar_t relative[MAX_PATH] = {};
  ::PathRelativePathToW(relative, SpecialFolder(CSIDL_COMMON_STARTMENU).c_str(), FILE_ATTRIBUTE_DIRECTORY,
                        SpecialFolder(CSIDL_COMMON_PROGRAMS).c_str(), FILE_ATTRIBUTE_DIRECTORY);
  wchar_t canonical[MAX_PATH] = {};
  ::PathCanonicalizeW(canonical, relative);
  return std::wstring(canonical) + L"\\Quillon Works\\Meridel 6";
}

bool Checked(const InstallerRobot& robot, int id) { return Send(robot.Control(id), BM_GETCHECK) == BST_CHECKED; }

// Starts the installer and goes to the Path page with the advanced method.
void GoToPathPage(InstallerRobot& robot) {
  ASSERT_TRUE(robot.Start(QW_TEST_INSTALLER, L"en_US.UTF-8"));
  ASSERT_TRUE(robot.GoFromStartToPathPage());
}

// A folder of the test's own, removed at the end.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& name)
      : m_path(SpecialFolder(CSIDL_COMMON_DOCUMENTS) + L"\\" + name + std::to_wstring(::GetCurrentProcessId())) {
    ::CreateDirectoryW(m_path.c_str(), nullptr);
  }
  ~ScratchFolder() { ::RemoveDirectoryW(m_path.c_str()); }
  const std::wstring& Path() const { return m_path; }

 private:
  std::wstring m_path;
};

TEST(FolderPages, TypedFoldersAndShortcutChoicesReachTheInstallLog) {
  InstallerRobot robot;
  GoToPathPage(robot);
  EXPECT_EQ(robot.Text(kFolder), SpecialFolder(CSIDL_PROGRAM_FILES) + L"\\Quillon Works\\Meridel 6");
  EXPECT_EQ(robot.Text(IDC_PATH_LABEL), L"Select 'Meridel' Installation Folder.");
  EXPECT_EQ(Send(robot.Control(kFolder), EM_GETLIMITTEXT), MAX_PATH);
  const std::wstring typed = L"C:\\Typed Place\\Meridel";
  SetText(robot.Control(kFolder), typed);
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Shortcut));

  EXPECT_EQ(robot.Text(kFolder), DefaultMenuText());
  EXPECT_TRUE(Checked(robot, kMenuShortcut));
  EXPECT_TRUE(Checked(robot, kDesktopShortcut));
  EXPECT_TRUE(robot.IsEnabled(kFolder));
  EXPECT_TRUE(robot.IsEnabled(kBrowse));
  // Unticking the Start-menu shortcut disables its folder and Browse.
  ASSERT_TRUE(robot.Click(kMenuShortcut));
  ASSERT_TRUE(WaitUntil([&] { return !robot.IsEnabled(kFolder); }));
  EXPECT_FALSE(robot.IsEnabled(kBrowse));
  ASSERT_TRUE(robot.Click(kMenuShortcut));
  ASSERT_TRUE(WaitUntil([&] { return robot.IsEnabled(kFolder); }));
  EXPECT_TRUE(robot.IsEnabled(kBrowse));
  ASSERT_TRUE(robot.Click(kMenuShortcut));
  ASSERT_TRUE(WaitUntil([&] { return !robot.IsEnabled(kFolder); }));

  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Install));
  const std::wstring log = robot.Text(kLog);
  EXPECT_NE(log.find(L"Installation Folder: \"" + typed + L"\"."), std::wstring::npos) << "log: " << Narrow(log);
  const std::wstring menuLine = L"Creating a Shortcut in the Start Menu (Folder ";
  EXPECT_EQ(log.find(menuLine), std::wstring::npos) << "no Start-menu shortcut was chosen";

  // Back: the choices are kept, the folder saved unchanged.
  ASSERT_TRUE(robot.Click(kBack));
  ASSERT_TRUE(robot.WaitForPage(Page::Shortcut));
  EXPECT_FALSE(Checked(robot, kMenuShortcut));
  EXPECT_FALSE(robot.IsEnabled(kFolder));
  EXPECT_EQ(robot.Text(kFolder), DefaultMenuText());
  ASSERT_TRUE(robot.Click(kBack));
  ASSERT_TRUE(robot.WaitForPage(Page::Path));
  EXPECT_EQ(robot.Text(kFolder), typed);
}

// The system reads "C:/Games/Meridel" as "C:\Games\Meridel": the page keeps
// it in that form, which the installation and its uninstaller take.
TEST(FolderPages, FolderTypedWithForwardSlashesIsTakenWithBackslashes) {
  InstallerRobot robot;
  GoToPathPage(robot);
  SetText(robot.Control(kFolder), L"C:/Games/Meridel");
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Shortcut));
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Install));
  const std::wstring log = robot.Text(kLog);
  EXPECT_NE(log.find(L"Installation Folder: C:\\Games\\Meridel."), std::wstring::npos) << "log: " << Narrow(log);
  ASSERT_TRUE(robot.Click(kBack));
  ASSERT_TRUE(robot.WaitForPage(Page::Shortcut));
  ASSERT_TRUE(robot.Click(kBack));
  ASSERT_TRUE(robot.WaitForPage(Page::Path));
  EXPECT_EQ(robot.Text(kFolder), L"C:\\Games\\Meridel");
}

TEST(FolderPages, FolderLongerThanAPathIsRefused) {
  InstallerRobot robot;
  GoToPathPage(robot);
  // Typing stops at 260 characters; a text set past the limit is refused on leaving.
  SetText(robot.Control(kFolder), L"C:\\" + std::wstring(258, L'x'));
  ASSERT_TRUE(robot.Click(kNext));
  HWND box = robot.WaitForDialog();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(InstallerRobot::MessageBoxText(box), L"Enter no more than 260 characters.");
  ASSERT_TRUE(InstallerRobot::ClickIn(box, IDOK));
  ASSERT_TRUE(InstallerRobot::WaitForClose(box));
  EXPECT_EQ(robot.CurrentPage(), Page::Path);
  // 260 characters pass.
  SetText(robot.Control(kFolder), L"C:\\" + std::wstring(257, L'x'));
  ASSERT_TRUE(robot.Click(kNext));
  EXPECT_TRUE(robot.WaitForPage(Page::Shortcut));
}

// The Start-menu folder is shown relative to the Start Menu (and read-only:
// it comes from Browse or from a previous installation). A text that fits
// the edit but not a path once joined to the Start Menu is refused.
TEST(FolderPages, StartMenuFolderTooLongOnceJoinedIsRefused) {
  InstallerRobot robot;
  GoToPathPage(robot);
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Shortcut));
  SetText(robot.Control(kFolder), L"Programs\\" + std::wstring(240, L'x'));
  ASSERT_TRUE(robot.Click(kNext));
  HWND box = robot.WaitForDialog();
  ASSERT_NE(box, nullptr) << "an over-long Start-menu folder was taken";
  EXPECT_EQ(InstallerRobot::MessageBoxText(box), SystemText(ERROR_FILENAME_EXCED_RANGE));
  ASSERT_TRUE(InstallerRobot::ClickIn(box, IDOK));
  ASSERT_TRUE(InstallerRobot::WaitForClose(box));
  EXPECT_EQ(robot.CurrentPage(), Page::Shortcut);
  SetText(robot.Control(kFolder), L"Programs\\" + std::wstring(100, L'x'));
  ASSERT_TRUE(robot.Click(kNext));
  EXPECT_TRUE(robot.WaitForPage(Page::Install));
}

// The shell's folder dialog of the installer, with its edit box.
struct Browser {
  HWND dialog = nullptr;
  HWND edit = nullptr;
};

Browser OpenBrowser(InstallerRobot& robot) {
  Browser browser;
  if (!robot.Click(kBrowse)) return browser;
  browser.dialog = robot.WaitForDialog();
  if (browser.dialog) {
    WaitUntil([&] { return (browser.edit = FindChildOfClass(browser.dialog, L"Edit")) != nullptr; });
  }
  return browser;
}

// Types `text` into the browser's edit box and presses OK; returns the
// error box that refuses it, or null when the browser closed.
HWND TypeAndAccept(InstallerRobot& robot, const Browser& browser, const std::wstring& text) {
  SetText(browser.edit, text);
  if (!InstallerRobot::ClickIn(browser.dialog, IDOK)) return nullptr;
  HWND error = nullptr;
  WaitUntil([&] {
    if (!::IsWindow(browser.dialog) || !::IsWindowVisible(browser.dialog)) return true;
    error = robot.WaitForDialogOtherThan(browser.dialog, 0);
    return error != nullptr;
  });
  return error;
}

// Selects `folder` in the browser's tree (asked again until the tree has
// filled in) and waits until the edit box shows `expected`.
bool SelectAndExpect(InstallerRobot& robot, const Browser& browser, const std::wstring& folder,
                     const std::wstring& expected) {
  return WaitUntil([&] {
    if (WindowText(browser.edit) == expected) return true;
    robot.SendWithRemoteText(browser.dialog, BFFM_SETSELECTIONW, TRUE, folder);
    ::Sleep(100);
    return WindowText(browser.edit) == expected;
  });
}

void ExpectRefused(InstallerRobot& robot, const Browser& browser, const std::wstring& text, DWORD code) {
  HWND error = TypeAndAccept(robot, browser, text);
  ASSERT_NE(error, nullptr) << "typed path accepted; browser visible " << ::IsWindowVisible(browser.dialog)
                            << " edit " << Narrow(WindowText(browser.edit));
  EXPECT_EQ(InstallerRobot::MessageBoxText(error), SystemText(code));
  ASSERT_TRUE(InstallerRobot::ClickIn(error, IDOK));
  ASSERT_TRUE(InstallerRobot::WaitForClose(error));
  EXPECT_TRUE(::IsWindowVisible(browser.dialog)) << "the browser closed after the error";
}

TEST(FolderBrowserDialog, PathPageSelectionGetsTheProductKey) {
  ScratchFolder place(L"qw_browse_select_");
  InstallerRobot robot;
  GoToPathPage(robot);
  const Browser browser = OpenBrowser(robot);
  ASSERT_NE(browser.dialog, nullptr);
  ASSERT_NE(browser.edit, nullptr) << "the folder dialog has no edit box";
  // The dialog opens showing the page's folder, missing parts included.
  EXPECT_TRUE(WaitUntil([&] { return WindowText(browser.edit) == robot.Text(kFolder); }))
      << Narrow(WindowText(browser.edit));
  ASSERT_TRUE(SelectAndExpect(robot, browser, place.Path(), place.Path() + L"\\Meridel 6"))
      << "edit box: " << Narrow(WindowText(browser.edit));
  ASSERT_TRUE(InstallerRobot::ClickIn(browser.dialog, IDOK));
  ASSERT_TRUE(InstallerRobot::WaitForClose(browser.dialog));
  EXPECT_TRUE(WaitUntil([&] { return robot.Text(kFolder) == place.Path() + L"\\Meridel 6"; }))
      << Narrow(robot.Text(kFolder));
}

TEST(FolderBrowserDialog, PathPageRefusesWildcardsAndTakesANewFolder) {
  InstallerRobot robot;
  GoToPathPage(robot);
  const Browser browser = OpenBrowser(robot);
  ASSERT_NE(browser.dialog, nullptr);
  ASSERT_NE(browser.edit, nullptr);
  ExpectRefused(robot, browser, L"C:\\Bad*Name", ERROR_BAD_PATHNAME);
  ExpectRefused(robot, browser, L"C:\\" + std::wstring(270, L'y'),
                static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE)));
  EXPECT_EQ(TypeAndAccept(robot, browser, L"C:\\Not Yet There\\Meridel 6"), nullptr);
  ASSERT_TRUE(InstallerRobot::WaitForClose(browser.dialog));
  EXPECT_TRUE(WaitUntil([&] { return robot.Text(kFolder) == L"C:\\Not Yet There\\Meridel 6"; }))
      << Narrow(robot.Text(kFolder));
  EXPECT_FALSE(::PathIsDirectoryW(L"C:\\Not Yet There")) << "the browser must not create folders";
}

TEST(FolderBrowserDialog, ShortcutPageStaysInTheStartMenu) {
  const std::wstring programs = SpecialFolder(CSIDL_COMMON_PROGRAMS);
  const std::wstring menuFolder = L"qw_menu_" + std::to_wstring(::GetCurrentProcessId());
  const std::wstring chosen = programs + L"\\" + menuFolder;
  ASSERT_TRUE(::CreateDirectoryW(chosen.c_str(), nullptr));
  struct Cleanup {
    std::wstring folder;
    ~Cleanup() { ::RemoveDirectoryW(folder.c_str()); }
  } cleanup{chosen};

  InstallerRobot robot;
  GoToPathPage(robot);
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Shortcut));
  const Browser browser = OpenBrowser(robot);
  ASSERT_NE(browser.dialog, nullptr);
  ASSERT_NE(browser.edit, nullptr);
  // Relative to the Start Menu. (Wine's dialog, limited to a root, selects
  // the root itself after the installer has asked for the page's folder.)
  const std::wstring programsName = ::PathFindFileNameW(programs.c_str());
  EXPECT_TRUE(WaitUntil([&] { return WindowText(browser.edit).rfind(programsName + L"\\", 0) == 0; }))
      << "edit [" << Narrow(WindowText(browser.edit)) << "]";
  ExpectRefused(robot, browser, L"C:\\windows", ERROR_BAD_PATHNAME);
  ExpectRefused(robot, browser, L"..\\Elsewhere", ERROR_BAD_PATHNAME);
  // A folder under the root, chosen in the tree as a user would (Wine's
  // dialog does not select by path under a root): the first child of the
  // root, which exists since the test made one.
  HWND tree = FindChildOfClass(browser.dialog, L"SysTreeView32");
  ASSERT_NE(tree, nullptr);
  const LPARAM root = Send(tree, TVM_GETNEXTITEM, TVGN_ROOT);
  Send(tree, TVM_EXPAND, TVE_EXPAND, root);
  const LPARAM child = Send(tree, TVM_GETNEXTITEM, TVGN_CHILD, root);
  ASSERT_NE(child, 0);
  // By way of the root: selecting the item the caret is already on
  // changes nothing, and the refused text would stay in the edit box.
  Send(tree, TVM_SELECTITEM, TVGN_CARET, root);
  Send(tree, TVM_SELECTITEM, TVGN_CARET, child);
  ASSERT_TRUE(WaitUntil([&] {
    const std::wstring text = WindowText(browser.edit);
    return text.rfind(programsName + L"\\", 0) == 0 && text != programsName + L"\\Meridel 6" &&
           text.size() > 10 && text.substr(text.size() - 10) == L"\\Meridel 6";
  })) << "edit box: " << Narrow(WindowText(browser.edit));
  const std::wstring shownChoice = WindowText(browser.edit);
  EXPECT_EQ(TypeAndAccept(robot, browser, shownChoice), nullptr);
  ASSERT_TRUE(InstallerRobot::WaitForClose(browser.dialog));
  EXPECT_TRUE(WaitUntil([&] { return robot.Text(kFolder) == shownChoice; })) << Narrow(robot.Text(kFolder));
  // Leaving the page saves the full folder under the Start Menu.
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Install));
  const std::wstring startMenu = SpecialFolder(CSIDL_COMMON_STARTMENU);
  EXPECT_NE(robot.Text(kLog).find(startMenu + L"\\" + shownChoice), std::wstring::npos) << Narrow(robot.Text(kLog));
}

}  // namespace
}  // namespace qw::test
