// "Uninstall.ulog" on disk: the writer's bytes against expected files, the
// reader on UTF-16 and 8-bit logs, and round trips.
#include "engine/uninstall_log.h"

#include <gtest/gtest.h>

#include "build_tree.h"
#include "scratch_folder.h"
#include "platform_probes.h"
#include "tests/common/journal_entries.h"

namespace qw {
namespace {

using test::DoneEntry;
using test::NotDoneEntry;
using test::ReadTestFile;
using test::ScratchFolder;

const std::wstring kInstall = L"C:\\Program Files\\Quillon Works\\Meridel 6";
const std::wstring kMenu = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Quillon Works\\Meridel 6";
const LoggedProduct kMeridel{L"Meridel 6.07c", L"Meridel 6"};

std::list<JournalEntry> FirstInstallation() {
  using K = JournalEntryKind;
  return {DoneEntry(K::Folder, kInstall),
          DoneEntry(K::File, kInstall + L"\\Uninstall.exe", 2),
          DoneEntry(K::Folder, kInstall + L"\\Lang"),
          DoneEntry(K::File, kInstall + L"\\Lang\\Meridel.cs.dll", 0),
          DoneEntry(K::File, kInstall + L"\\Meridel.exe", 1),
          DoneEntry(K::File, kInstall + L"\\Samples\\Gr\u00fcn.mrd", 3),
          NotDoneEntry(K::File, kInstall + L"\\Data\\Materials.lib", 4),
          DoneEntry(K::ProgramShortcut, kMenu + L"\\Meridel 6.07c.lnk"),
          DoneEntry(K::UninstallShortcut, kMenu + L"\\Uninstall Meridel.lnk"),
          NotDoneEntry(K::DesktopShortcut, L""),
          DoneEntry(K::DirectXSetup, L"Installing DirectX runtime..."),
          DoneEntry(K::UninstallKey, L""),
          DoneEntry(K::SelfRegistration, L"")};
}

std::list<JournalEntry> Update() {
  using K = JournalEntryKind;
  return {DoneEntry(K::File, kInstall + L"\\Old Plugin.dll", 1),
          DoneEntry(K::DirectXSetup, L"Installing DirectX runtime..."),
          DoneEntry(K::Folder, kInstall),
          DoneEntry(K::File, kInstall + L"\\Uninstall.exe", 2),
          DoneEntry(K::File, kInstall + L"\\Meridel.exe", 1),
          DoneEntry(K::ProgramShortcut, kMenu + L"\\Meridel 6.07c.lnk"),
          DoneEntry(K::UninstallKey, L""),
          NotDoneEntry(K::SelfRegistration, L"")};
}

std::wstring Data(const wchar_t* name) { return std::wstring(QW_ENGINE_TEST_DATA) + L"\\" + name; }

TEST(UninstallLog, FirstInstallationByteForByte) {
  ScratchFolder root(L"ulog_first");
  const std::wstring path = root / L"Uninstall.ulog";
  std::list<JournalEntry> entries = FirstInstallation();
  ASSERT_TRUE(UninstallLog::Write(path, kMeridel, entries, kInstall, kMenu, L""));
  EXPECT_EQ(ReadTestFile(path), ReadTestFile(Data(L"first_install.ulog")));
  EXPECT_EQ(entries.back().path, L"HKEY_CLASSES_ROOT\\...");
}

TEST(UninstallLog, WrittenLogIsReadOnlyArchivedAndNotIndexed) {
  ScratchFolder root(L"ulog_attributes");
  const std::wstring path = root / L"Uninstall.ulog";
  std::list<JournalEntry> entries = FirstInstallation();
  ASSERT_TRUE(UninstallLog::Write(path, kMeridel, entries, kInstall, kMenu, L""));
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  EXPECT_EQ(attributes & 0x21u, DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE});
  const test::ProbeResult attribute = test::ProbeNotContentIndexedAttribute();
  if (!attribute.works) GTEST_SKIP() << attribute.finding;
  EXPECT_EQ(attributes,
            DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED});
}

TEST(UninstallLog, UpdateReplacesTheReadOnlyPreviousLog) {
  ScratchFolder root(L"ulog_update");
  const std::wstring path = root / L"Uninstall.ulog";
  std::list<JournalEntry> first = FirstInstallation();
  ASSERT_TRUE(UninstallLog::Write(path, kMeridel, first, kInstall, kMenu, L""));
  std::list<JournalEntry> update = Update();
  ASSERT_TRUE(UninstallLog::Write(path, kMeridel, update, kInstall, kMenu, L"Meridel 6.05"));
  EXPECT_EQ(ReadTestFile(path), ReadTestFile(Data(L"update.ulog")));
}

TEST(UninstallLog, UncreatableFileFails) {
  ScratchFolder root(L"ulog_uncreatable");
  std::list<JournalEntry> entries = FirstInstallation();
  EXPECT_FALSE(UninstallLog::Write(root / L"no\\such\\Uninstall.ulog", kMeridel, entries, kInstall, kMenu, L""));
}

void ExpectFirstInstallation(const PreviousInstallation& read) {
  EXPECT_EQ(read.productText, L"Meridel 6.07c");
  const std::list<JournalEntry> expected = FirstInstallation();
  ASSERT_EQ(read.entries.size(), expected.size());
  auto want = expected.begin();
  for (const JournalEntry& got : read.entries) {
    EXPECT_EQ(got.kind, want->kind);
    EXPECT_EQ(got.path, want->path);
    EXPECT_EQ(got.done, want->done);
    EXPECT_EQ(got.value, want->value);
    ++want;
  }
}

TEST(UninstallLog, ReadsUtf16AndAnsiLogs) {
  PreviousInstallation utf16;
  UninstallLog::Read(Data(L"first_install.ulog"), utf16);
  ExpectFirstInstallation(utf16);
  EXPECT_TRUE(utf16.installFolder.empty());  // not on this machine

  if (::GetACP() == 1252) {
    PreviousInstallation ansi;
    UninstallLog::Read(Data(L"first_install_ansi.ulog"), ansi);
    ExpectFirstInstallation(ansi);
  } else {
    PreviousInstallation ansi;
    UninstallLog::Read(Data(L"first_install_ansi.ulog"), ansi);
    EXPECT_EQ(ansi.entries.size(), FirstInstallation().size());  // only the sample's name differs
  }
}

TEST(UninstallLog, RoundTripTakesExistingFolders) {
  ScratchFolder root(L"ulog_round_trip");
  ::CreateDirectoryW((root / L"Menu").c_str(), nullptr);
  const std::wstring path = root / L"Uninstall.ulog";
  std::list<JournalEntry> entries = FirstInstallation();
  ASSERT_TRUE(UninstallLog::Write(path, kMeridel, entries, root.path(), root / L"Menu", L"Meridel 6.05"));

  PreviousInstallation read;
  read.installFolder = L"stale";
  UninstallLog::Read(path, read);
  EXPECT_EQ(read.installFolder, root.path());
  EXPECT_EQ(read.startMenuFolder, root / L"Menu");
  EXPECT_EQ(read.productText, L"Meridel 6.07c");
  EXPECT_EQ(read.entries.size(), entries.size());

  PreviousInstallation none;
  none.installFolder = L"stale";
  none.startMenuFolder = L"stale";
  UninstallLog::Read(std::nullopt, none);
  EXPECT_TRUE(none.installFolder.empty());
  EXPECT_TRUE(none.startMenuFolder.empty());
}

TEST(UninstallLog, EmptyStartMenuFolderRoundTrip) {
  ScratchFolder root(L"ulog_empty_menu");
  const std::wstring path = root / L"Uninstall.ulog";
  std::list<JournalEntry> entries = FirstInstallation();
  ASSERT_TRUE(UninstallLog::Write(path, kMeridel, entries, root.path(), L"", L""));
  PreviousInstallation read;
  UninstallLog::Read(path, read);
  EXPECT_EQ(read.installFolder, root.path());
  EXPECT_TRUE(read.startMenuFolder.empty());
  EXPECT_EQ(read.entries.size(), entries.size());
}

}  // namespace
}  // namespace qw
