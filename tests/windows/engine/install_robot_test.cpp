// Whole installations through the real wizard under Wine: the files, the
// uninstall entry as a real client sees it, the product path, the
// shortcuts, the uninstall log and the Install page's log and status. The
// payload is the tests' small one (a copy of the installer carries it) or
// the shipped one; expectations come from the packer's listing.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cwctype>
#include <list>

#include "build_tree.h"
#include "engine/uninstall_log.h"
#include "i18n/language_state.h"
#include "i18n/message_lookup.h"
#include "install_robot.h"
#include "payload/payload_kind.h"
#include "platform/com_ptr.h"
#include "scratch_folder.h"
#include "stored_registry_value.h"
#include "wine.h"
#include "wizard_expectations.h"
#include "test_text.h"

namespace qw::test {
namespace {


const wchar_t kEntryKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Meridel 6";

struct Link {
  std::wstring target, folder;
};

Link ReadLink(const std::wstring& path) {
  ComInitialization com;
  ComPtr<IShellLinkW> link;
  Link result;
  ComPtr<IPersistFile> file;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.put_void())) ||
      FAILED(link.As(file)) || FAILED(file->Load(path.c_str(), STGM_READ))) {
    return result;
  }
  wchar_t text[MAX_PATH] = {};
  if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH))) result.target = text;
  text[0] = L'\0';
  if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH))) result.folder = text;
  return result;
}

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\')); }

class QuickInstallation : public InstallationTest {
 protected:
  // Checks everything a finished quick installation of `listed` in
  // `language` leaves on the machine and in the page.
  void ExpectInstalled(const std::vector<ListedEntry>& listed, LanguageIndex language, const RunResult& run,
                       bool hasPrograms);

  // What an earlier installation's log in the default folder said; its
  // product text goes into the new log's header.
  void SetUp() override {
    InstallationTest::SetUp();
    PreviousInstallation previous;
    UninstallLog::Read(DefaultInstallFolder() + L"\\Uninstall.ulog", previous);
    previousProductText_ = previous.productText;
  }

  std::wstring previousProductText_;
};

// What a finished installation shows in the languages the tests install in,
// written out as a user reads it.
struct InstalledTexts {
  const wchar_t* samples;
  const wchar_t* preparing;
  const wchar_t* copyingPrefix;
  const wchar_t* shortcuts;
  const wchar_t* registry;
  const wchar_t* installationData;
  const wchar_t* status;
  const wchar_t* uninstallName;
};

const InstalledTexts kEnglishTexts{L"Meridel Examples",
                                   L"Preparing Installation...OK",
                                   L"Copying File  ",
                                   L"Shortcuts Creation...OK",
                                   L"Registry Data Writing...OK",
                                   L"Installation Data Writing...OK",
                                   L"Click on 'Next' to continue.",
                                   L"Uninstall Meridel"};
const InstalledTexts kFrenchTexts{L"Exemples Meridel",
                                  L"Pr\u00e9paration de l'installation...OK",
                                  L"Copie du fichier ",
                                  L"Cr\u00e9ation des raccourcis...OK",
                                  L"Inscription dans la base de registre...OK",
                                  L"Enregistrement des informations d'installation...OK",
                                  L"Cliquez sur 'Suivant' pour continuer.",
                                  L"D\u00e9sinstaller Meridel"};

void QuickInstallation::ExpectInstalled(const std::vector<ListedEntry>& listed, LanguageIndex language,
                                        const RunResult& run, bool hasPrograms) {
  ASSERT_TRUE(language == kEnglish || language == kFrench) << "no expected texts for language " << language;
  const InstalledTexts& texts = language == kFrench ? kFrenchTexts : kEnglishTexts;
  const std::wstring folder = DefaultInstallFolder();
  const std::wstring samples = texts.samples;
  std::wstring program, uninstaller;

  // Every payload file with its size and CRC-32, in the log in archive order.
  std::vector<std::wstring> expected{texts.preparing};
  for (const ListedEntry& e : listed) {
    const std::wstring path = InstalledPath(e.destination, folder, samples);
    if (IsPayloadKind(e.kind, PayloadKind::TemporarySetup)) {
      EXPECT_TRUE(path.empty());
      continue;  // its log line names the temporary folder, checked below
    }
    ASSERT_FALSE(path.empty()) << Narrow(e.destination);
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    ASSERT_TRUE(FileCrc32(path, crc, size)) << Narrow(path);
    EXPECT_EQ(size, e.size) << Narrow(path);
    EXPECT_EQ(crc, e.crc) << Narrow(path);
    const bool readOnly = (::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY) != 0;
    if (IsPayloadKind(e.kind, PayloadKind::MainProgram)) program = path;
    if (IsPayloadKind(e.kind, PayloadKind::Uninstaller)) uninstaller = path;
    EXPECT_EQ(readOnly, path == program || path == uninstaller) << Narrow(path);
  }
  EXPECT_TRUE(LeftoverTemporaryFolders().empty()) << "no quillon_{...} folder stays";

  const std::vector<std::wstring> lines = Lines(run.log);
  std::size_t copying = 0;
  for (const std::wstring& line : lines) {
    copying += line.rfind(texts.copyingPrefix, 0) == 0;
  }
  // User data that was there before the run is kept and not logged.
  std::size_t keptUserData = 0;
  for (const ListedEntry& e : listed) {
    if (!IsPayloadKind(e.kind, PayloadKind::UserData)) continue;
    std::wstring key = InstalledPath(e.destination, folder, samples);
    for (wchar_t& c : key) c = static_cast<wchar_t>(std::towupper(c));
    keptUserData += before_.files.count(key);
  }
  EXPECT_EQ(copying + keptUserData, listed.size()) << "one Copying File line per payload file, kind 5 included";
  auto has = [&](const std::wstring& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  EXPECT_TRUE(has(expected.front())) << Narrow(run.log);
  EXPECT_EQ(has(texts.shortcuts), hasPrograms) << Narrow(run.log);
  if (hasPrograms) {
    EXPECT_TRUE(has(texts.registry)) << Narrow(run.log);
  }
  EXPECT_EQ(has(texts.installationData), hasPrograms) << Narrow(run.log);
  EXPECT_EQ(run.status, texts.status);
  if (!hasPrograms) return;

  // The uninstall entry, as the system's own list of programs shows it.
  EXPECT_EQ(StoredString(HKEY_LOCAL_MACHINE, kEntryKey, L"DisplayName"), L"Meridel 6.07c");
  EXPECT_EQ(StoredString(HKEY_LOCAL_MACHINE, kEntryKey, L"UninstallString"), uninstaller);
  EXPECT_EQ(StoredString(HKEY_LOCAL_MACHINE, kEntryKey, L"DisplayIcon"), program + L",0");
  EXPECT_EQ(StoredString(HKEY_LOCAL_MACHINE, kEntryKey, L"DisplayVersion"), L"6.7.3.1");
  EXPECT_EQ(StoredString(HKEY_LOCAL_MACHINE, kEntryKey, L"Publisher"), L"Quillon Works");
  DWORD value = 99, size = sizeof value;
  EXPECT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE, kEntryKey, L"QwLanguage", RRF_RT_REG_DWORD, nullptr, &value, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, static_cast<DWORD>(language));
  const std::string listing = CaptureOutput(L"uninstaller.exe --list");
  EXPECT_NE(listing.find("|||Meridel 6.07c"), std::string::npos) << listing;
  EXPECT_EQ(StoredString(HKEY_LOCAL_MACHINE, L"Software\\Quillon Works", L"Meridel 6 Path"), program);

  // The three shortcuts, read back through the shell.
  const std::wstring menu = DefaultStartMenuFolder();
  const std::wstring uninstallName = texts.uninstallName;
  for (const auto& [shortcut, target] :
       {std::pair<std::wstring, std::wstring>{menu + L"\\Meridel 6.07c.lnk", program},
        {menu + L"\\" + uninstallName + L".lnk", uninstaller},
        {CommonDesktopFolder() + L"\\Meridel 6.07c.lnk", program}}) {
    const Link link = ReadLink(shortcut);
    EXPECT_EQ(link.target, target) << Narrow(shortcut);
    EXPECT_EQ(link.folder, FolderOf(target)) << Narrow(shortcut);
  }

  // The uninstall log lists what was installed, and is exactly the log of
  // those entries.
  const std::wstring logPath = FolderOf(uninstaller) + L"\\Uninstall.ulog";
  PreviousInstallation written;
  UninstallLog::Read(logPath, written);
  EXPECT_EQ(written.installFolder, folder);
  EXPECT_EQ(written.startMenuFolder, menu);
  std::size_t files = 0, shortcuts = 0, keys = 0;
  for (const JournalEntry& e : written.entries) {
    EXPECT_TRUE(e.done) << Narrow(e.path);
    files += e.kind == JournalEntryKind::File;
    shortcuts += e.kind == JournalEntryKind::ProgramShortcut || e.kind == JournalEntryKind::UninstallShortcut ||
                 e.kind == JournalEntryKind::DesktopShortcut;
    keys += e.kind == JournalEntryKind::UninstallKey;
  }
  std::size_t installable = 0;
  for (const ListedEntry& e : listed) installable += !IsPayloadKind(e.kind, PayloadKind::TemporarySetup);
  EXPECT_EQ(files, installable);
  EXPECT_EQ(shortcuts, 3u);
  EXPECT_EQ(keys, 1u);
  ScratchFolder scratch(L"ulog");
  std::list<JournalEntry> entries = written.entries;
  ASSERT_TRUE(UninstallLog::Write(scratch / L"again.ulog", LoggedProduct{L"Meridel 6.07c", L"Meridel 6"}, entries,
                                  folder, menu, previousProductText_));
  EXPECT_EQ(ReadTestFile(scratch / L"again.ulog"), ReadTestFile(logPath));
}

TEST_F(QuickInstallation, InEnglishEveryFileEntryAndShortcut) {
  InstallerRobot robot;
  StartQuick(robot, InstallerWith(testArchive_, L"install_small"));
  const RunResult run = PressInstall(robot);
  ASSERT_TRUE(run.finished) << Narrow(run.status);
  ASSERT_TRUE(run.succeeded) << Narrow(run.status) << "\n" << Narrow(run.log);
  ExpectInstalled(testListed_, kEnglish, run, true);
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::End));
  EXPECT_EQ(robot.Text(kInfo), L"Installation is complete.");
}

// Whether a program started in the French Unix locale can create a file
// whose name has a non-ASCII letter: Wine names Unix files in the
// locale's character set, and a locale the system lacks gives ASCII.
bool FrenchLocaleKeepsAccents(std::wstring& finding) {
  ScratchFolder scratch(L"locale_probe");
  const std::wstring wanted = scratch / L"caf\u00e9.txt";
  if (!StartInUnixLocale(L"C:\\windows\\system32\\cmd.exe", L"fr_FR.UTF-8", {},
                         L"/c echo x> \"" + wanted + L"\"")) {
    finding = L"cmd.exe could not be started";
    return false;
  }
  WIN32_FIND_DATAW data;
  const bool written = WaitUntil([&] {
    HANDLE find = ::FindFirstFileW((scratch / L"*.txt").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    ::FindClose(find);
    return true;
  });
  ::Sleep(200);
  finding = written ? L"a file meant as caf\u00e9.txt was named " + std::wstring(data.cFileName)
                    : L"no file was written";
  return written && Exists(wanted);
}

TEST_F(QuickInstallation, InFrenchWithTheFrenchUninstallShortcut) {
  std::wstring finding;
  if (!FrenchLocaleKeepsAccents(finding)) {
    GTEST_SKIP() << "probe: the fr_FR.UTF-8 Unix locale is missing here, so Wine cannot name files with "
                    "accents in it (" << Narrow(finding) << ")";
  }
  InstallerRobot robot;
  StartQuick(robot, InstallerWith(testArchive_, L"install_small"), L"fr_FR.UTF-8");
  const RunResult run = PressInstall(robot);
  ASSERT_TRUE(run.succeeded) << Narrow(run.status) << "\n" << Narrow(run.log);
  ExpectInstalled(testListed_, kFrench, run, true);
  EXPECT_TRUE(Exists(DefaultStartMenuFolder() + L"\\D\u00e9sinstaller Meridel.lnk"));
}

TEST_F(QuickInstallation, TheShippedInstallerInstallsItsOwnPayload) {
  const std::vector<ListedEntry> shipped = ListArchive(PayloadOfInstaller(QW_TEST_INSTALLER));
  ASSERT_FALSE(shipped.empty());
  bool hasPrograms = false;
  for (const ListedEntry& e : shipped) hasPrograms |= IsPayloadKind(e.kind, PayloadKind::MainProgram);
  InstallerRobot robot;
  StartQuick(robot, QW_TEST_INSTALLER);
  const RunResult run = PressInstall(robot);
  ASSERT_TRUE(run.succeeded) << Narrow(run.status) << "\n" << Narrow(run.log);
  if (!hasPrograms) std::printf("the shipped payload has no main program yet: entries and shortcuts unchecked\n");
  ExpectInstalled(shipped, kEnglish, run, hasPrograms);
}

class AdvancedInstallation : public InstallationTest {};

TEST_F(AdvancedInstallation, FolderWithBlanksIsQuotedInTheLog) {
  const std::wstring folder = L"C:\\Meridel Test Place\\Meridel 6";
  InstallerRobot robot;
  StartAdvanced(robot, InstallerWith(testArchive_, L"install_small"), folder, true, true);
  const RunResult run = PressInstall(robot);
  ASSERT_TRUE(run.succeeded) << Narrow(run.status) << "\n" << Narrow(run.log);
  EXPECT_NE(run.log.find(L"Copying File  \"" + folder + L"\\Meridel.exe\"...OK\r\n"), std::wstring::npos)
      << Narrow(run.log);
  EXPECT_EQ(StoredString(HKEY_LOCAL_MACHINE, L"Software\\Quillon Works", L"Meridel 6 Path"),
            folder + L"\\Meridel.exe");
}

TEST_F(AdvancedInstallation, WithoutShortcutsHasNoShortcutLine) {
  InstallerRobot robot;
  StartAdvanced(robot, InstallerWith(testArchive_, L"install_small"), DefaultInstallFolder(), false, false);
  const RunResult run = PressInstall(robot);
  ASSERT_TRUE(run.succeeded) << Narrow(run.status);
  EXPECT_EQ(run.log.find(L"Shortcuts Creation"), std::wstring::npos) << Narrow(run.log);
  EXPECT_FALSE(Exists(DefaultStartMenuFolder()));
  EXPECT_FALSE(Exists(CommonDesktopFolder() + L"\\Meridel 6.07c.lnk"));
}

TEST_F(AdvancedInstallation, DesktopShortcutOnly) {
  InstallerRobot robot;
  StartAdvanced(robot, InstallerWith(testArchive_, L"install_small"), DefaultInstallFolder(), false, true);
  const RunResult run = PressInstall(robot);
  ASSERT_TRUE(run.succeeded) << Narrow(run.status);
  EXPECT_NE(run.log.find(L"Shortcuts Creation...OK\r\n"), std::wstring::npos) << Narrow(run.log);
  EXPECT_FALSE(Exists(DefaultStartMenuFolder()));
  EXPECT_EQ(ReadLink(CommonDesktopFolder() + L"\\Meridel 6.07c.lnk").target, DefaultInstallFolder() + L"\\Meridel.exe");
}

}  // namespace
}  // namespace qw::test
