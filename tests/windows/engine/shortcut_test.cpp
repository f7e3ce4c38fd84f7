// Shell shortcuts: the file CreateShellShortcut writes, read back through
// the shell link object, and the shortcut step's journal and log line.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "engine/shell_shortcut.h"
#include "engine/shortcut_step.h"
#include "installer_strings.h"
#include "platform/com_ptr.h"
#include "platform/system_error.h"
#include "recording_page.h"
#include "scratch_folder.h"

namespace qw {
namespace {

using test::Exists;
using test::ScratchFolder;
using test::WriteTestFile;

struct LinkSettings {
  std::wstring target;
  std::wstring workingFolder;
};

// Reads a ".lnk" file back the way the shell does; empty fields when it
// cannot be loaded.
LinkSettings ReadLink(const std::wstring& path) {
  ComInitialization com;
  ComPtr<IShellLinkW> link;
  LinkSettings settings;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.put_void()))) {
    return settings;
  }
  ComPtr<IPersistFile> file;
  if (FAILED(link.As(file)) || FAILED(file->Load(path.c_str(), STGM_READ))) return settings;
  wchar_t text[MAX_PATH] = {};
  if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH))) settings.target = text;
  text[0] = L'\0';
  if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH))) settings.workingFolder = text;
  return settings;
}

TEST(ShellShortcut, HoldsTargetAndItsFolder) {
  ScratchFolder scratch(L"shortcut");
  const std::wstring target = scratch / L"Program Folder\\Meridel.exe";
  WriteTestFile(target, "program");
  const auto shortcut = CreateShellShortcut(target, scratch.path(), std::wstring(L"Meridel 6.07c"));
  ASSERT_TRUE(shortcut);
  EXPECT_EQ(*shortcut, scratch / L"Meridel 6.07c.lnk");
  const LinkSettings settings = ReadLink(*shortcut);
  EXPECT_EQ(settings.target, target);
  EXPECT_EQ(settings.workingFolder, scratch / L"Program Folder");
}

TEST(ShellShortcut, WithoutNameTakesTheTargetsNameAndReplacesAnOldFile) {
  ScratchFolder scratch(L"shortcut");
  const std::wstring target = scratch / L"Uninstall.exe";
  WriteTestFile(target, "program");
  WriteTestFile(scratch / L"Uninstall.lnk", "not a shortcut");
  const auto shortcut = CreateShellShortcut(target, scratch.path());
  ASSERT_TRUE(shortcut);
  EXPECT_EQ(*shortcut, scratch / L"Uninstall.lnk");
  EXPECT_EQ(ReadLink(*shortcut).target, target);
}

TEST(ShellShortcut, TargetWithoutFolderOrTooLongNameMakesNoFile) {
  ScratchFolder scratch(L"shortcut");
  EXPECT_FALSE(CreateShellShortcut(L"Meridel.exe", scratch.path(), std::wstring(L"A")));
  EXPECT_FALSE(Exists(scratch / L"A.lnk"));
  // Folder, separator and name alone already exceed 259 characters.
  const std::wstring longName(260 - scratch.path().size(), L'n');
  EXPECT_FALSE(CreateShellShortcut(scratch / L"Meridel.exe", scratch.path(), longName));
  // They fit, but not with ".lnk".
  const std::wstring nearlyLong(257 - scratch.path().size(), L'm');
  EXPECT_FALSE(CreateShellShortcut(scratch / L"Meridel.exe", scratch.path(), nearlyLong));
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((scratch / L"*.lnk").c_str(), &data);
  EXPECT_EQ(find, INVALID_HANDLE_VALUE) << "no shortcut file was written";
  if (find != INVALID_HANDLE_VALUE) ::FindClose(find);
}

class ShortcutStep : public InstallerStrings {
 protected:
  static std::optional<std::wstring> NoDesktop() { return std::nullopt; }
  static std::optional<std::wstring> ScratchDesktop() { return desktop_; }

  ShortcutChoices Choices(const ScratchFolder& scratch) const {
    ShortcutChoices choices;
    choices.startMenuFolder = scratch / L"Start Menu\\Quillon Works\\Meridel 6";
    choices.programPath = scratch / L"P\\Meridel.exe";
    choices.uninstallerPath = scratch / L"P\\Uninstall.exe";
    choices.programName = L"Meridel 6.07c";
    choices.uninstallName = L"Uninstall Meridel";
    return choices;
  }

  static std::wstring desktop_;
};
std::wstring ShortcutStep::desktop_;

TEST_F(ShortcutStep, NothingChosenWritesNothing) {
  ScratchFolder scratch(L"step");
  InstallJournal journal(L"Meridel 6.07c", L"Meridel 6");
  test::RecordingPage page;
  EXPECT_EQ(std::error_code(), CreateShortcuts(Choices(scratch), journal, page, ScratchDesktop));
  EXPECT_TRUE(page.log.empty());
  EXPECT_TRUE(page.statuses.empty());
  EXPECT_TRUE(journal.Entries().empty());
}

TEST_F(ShortcutStep, StartMenuShortcutsAreJournaledWithTheirPaths) {
  ScratchFolder scratch(L"step");
  SetLanguage(kEnglish);
  InstallJournal journal(L"Meridel 6.07c", L"Meridel 6");
  test::RecordingPage page;
  ShortcutChoices choices = Choices(scratch);
  choices.startMenu = true;
  EXPECT_EQ(std::error_code(), CreateShortcuts(choices, journal, page, NoDesktop));
  EXPECT_EQ(page.log, L"Shortcuts Creation...OK\r\n");
  EXPECT_EQ(page.Status(), L"Shortcuts Creation...");
  std::vector<JournalEntry> shortcuts;
  for (const JournalEntry& e : journal.Entries()) {
    if (e.kind != JournalEntryKind::Folder) shortcuts.push_back(e);
  }
  ASSERT_EQ(shortcuts.size(), 2u);
  EXPECT_EQ(shortcuts[0].kind, JournalEntryKind::ProgramShortcut);
  EXPECT_EQ(shortcuts[0].path, choices.startMenuFolder + L"\\Meridel 6.07c.lnk");
  EXPECT_TRUE(shortcuts[0].done);
  EXPECT_EQ(shortcuts[1].kind, JournalEntryKind::UninstallShortcut);
  EXPECT_EQ(shortcuts[1].path, choices.startMenuFolder + L"\\Uninstall Meridel.lnk");
  EXPECT_EQ(ReadLink(shortcuts[1].path).target, choices.uninstallerPath);
  journal.Rollback();
  EXPECT_FALSE(Exists(scratch / L"Start Menu\\Quillon Works")) << "rollback removes what the step made";
}

TEST_F(ShortcutStep, DesktopOnlyMakesNoStartMenuFolder) {
  ScratchFolder scratch(L"step");
  SetLanguage(kEnglish);
  desktop_ = scratch / L"Desktop";
  ::CreateDirectoryW(desktop_.c_str(), nullptr);
  InstallJournal journal(L"Meridel 6.07c", L"Meridel 6");
  test::RecordingPage page;
  ShortcutChoices choices = Choices(scratch);
  choices.desktop = true;
  EXPECT_EQ(std::error_code(), CreateShortcuts(choices, journal, page, ScratchDesktop));
  EXPECT_EQ(page.log, L"Shortcuts Creation...OK\r\n");
  EXPECT_FALSE(Exists(scratch / L"Start Menu"));
  EXPECT_EQ(ReadLink(desktop_ + L"\\Meridel 6.07c.lnk").target, choices.programPath);
  journal.Rollback();
}

TEST_F(ShortcutStep, NoDesktopFolderCountsAsFailed) {
  ScratchFolder scratch(L"step");
  SetLanguage(kEnglish);
  InstallJournal journal(L"Meridel 6.07c", L"Meridel 6");
  test::RecordingPage page;
  ShortcutChoices choices = Choices(scratch);
  choices.desktop = true;
  EXPECT_EQ(CreateShortcuts(choices, journal, page, NoDesktop), SystemError(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(page.log, L"Shortcuts Creation...Failed\r\n");
  EXPECT_TRUE(journal.Entries().empty());
}

TEST_F(ShortcutStep, AFailedProgramShortcutDoesNotStopTheUninstallShortcut) {
  ScratchFolder scratch(L"step");
  SetLanguage(kEnglish);
  InstallJournal journal(L"Meridel 6.07c", L"Meridel 6");
  test::RecordingPage page;
  ShortcutChoices choices = Choices(scratch);
  choices.startMenu = true;
  choices.programPath = L"Meridel.exe";  // no folder part: cannot be made
  EXPECT_EQ(CreateShortcuts(choices, journal, page, NoDesktop), SystemError(ERROR_CANNOT_MAKE));
  EXPECT_EQ(page.log, L"Shortcuts Creation...Failed\r\n");
  std::vector<JournalEntry> shortcuts;
  for (const JournalEntry& e : journal.Entries()) {
    if (e.kind != JournalEntryKind::Folder) shortcuts.push_back(e);
  }
  ASSERT_EQ(shortcuts.size(), 2u);
  EXPECT_FALSE(shortcuts[0].done);
  EXPECT_TRUE(shortcuts[0].path.empty());
  EXPECT_TRUE(shortcuts[1].done);
  EXPECT_FALSE(shortcuts[1].path.empty());
  journal.Rollback();
}

}  // namespace
}  // namespace qw
