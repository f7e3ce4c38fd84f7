// Commit: the merge with the previous installation's entries, the written
// log and the discarded backups.
#include <gtest/gtest.h>

#include <iterator>

#include "engine/install_journal.h"
#include "scratch_folder.h"

namespace qw {
namespace {

using test::Exists;
using test::ScratchFolder;
using test::WriteTestFile;

void WriteLog(const std::wstring& path, const std::wstring& lines) {
  const std::wstring text = L"\xFEFF// Uninstall Log File v1\r\n// x\r\n// Install Meridel 6.05\r\n"
                            L"// Install Path : C:\\P\r\n// Shortcut Path : C:\\S\r\n// -\r\n" + lines;
  WriteTestFile(path, std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2));
}

struct Line {
  JournalEntryKind kind;
  std::wstring path;
};

std::vector<Line> LinesOf(const InstallJournal& journal) {
  std::vector<Line> lines;
  for (const JournalEntry& entry : journal.Entries()) lines.push_back({entry.kind, entry.path});
  return lines;
}

TEST(JournalCommit, MergesWithThePreviousInstallation) {
  ScratchFolder root(L"commit_merge");
  const std::wstring app = root.path();
  WriteTestFile(root / L"Rewritten.dll", "old");
  WriteLog(root / L"previous.ulog",
           L"0000:00ff:1 -- " + app + L"\r\n"
           L"0001:0101:1 -- " + app + L"/Rewritten.dll\r\n"   // the same file, other spelling
           L"0002:0101:1 -- " + app + L"\\Dropped.dll\r\n"    // no longer shipped
           L"0003:02ff:1 -- C:\\S\\Meridel 6.05.lnk\r\n"       // replaced whatever its path
           L"0004:07ff:1 -- DirectX...\r\n"                    // step skipped this time
           L"0005:0101:0 -- " + app + L"\\Dropped.dll\r\n");  // a file occurs once

  InstallJournal journal(L"Meridel 6.07c", L"Meridel 6");
  journal.LoadPreviousLog(root / L"previous.ulog");
  PendingJournalEntry entry = journal.RecordFile(root / L"Rewritten.dll", PayloadKind::MainProgram, false);
  WriteTestFile(root / L"Rewritten.dll", "new");
  entry.Complete(true);
  const std::wstring backup = journal.Entries().back().backup;
  ASSERT_TRUE(Exists(backup));
  journal.RecordShortcut(JournalEntryKind::ProgramShortcut, root / L"Menu")
      .Complete(true, root / L"Menu\\Meridel 6.07c.lnk");
  journal.RecordUninstallKey(nullptr).Complete(true);

  EXPECT_EQ(journal.Commit(root / L"Uninstall.ulog", app, root / L"Menu"), std::error_code());
  EXPECT_FALSE(Exists(backup));
  EXPECT_TRUE(journal.Previous().entries.empty());
  EXPECT_EQ(::GetFileAttributesW((root / L"Uninstall.ulog").c_str()) & 0x21u, 0x21u);

  const std::vector<Line> lines = LinesOf(journal);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0].path, app);  // the folder was not created this time
  EXPECT_EQ(lines[1].kind, JournalEntryKind::DirectXSetup);
  // The newest of the two entries for the same file survives, in its place.
  EXPECT_EQ(lines[2].kind, JournalEntryKind::File);
  EXPECT_EQ(lines[2].path, app + L"\\Dropped.dll");
  EXPECT_FALSE(std::next(journal.Entries().begin(), 2)->done);
  EXPECT_EQ(lines[3].path, root / L"Rewritten.dll");
  EXPECT_EQ(lines[4].kind, JournalEntryKind::Folder);  // Menu, made for the new shortcut
  EXPECT_EQ(lines[4].path, root / L"Menu");
  EXPECT_EQ(lines[5].path, root / L"Menu\\Meridel 6.07c.lnk");
  EXPECT_EQ(lines[6].kind, JournalEntryKind::UninstallKey);

  // The written log reads back as the merged list, with the old product text.
  InstallJournal reader(L"Meridel 6.07c", L"Meridel 6");
  reader.LoadPreviousLog(root / L"Uninstall.ulog");
  EXPECT_EQ(reader.Previous().productText, L"Meridel 6.07c");
  EXPECT_EQ(reader.PreviousInstallFolder(), app);
  EXPECT_EQ(reader.PreviousStartMenuFolder(), root / L"Menu");
  ASSERT_EQ(reader.Previous().entries.size(), 7u);
  EXPECT_FALSE(reader.Previous().entries.begin()->path.empty());
  EXPECT_TRUE(reader.Previous().entries.back().path.empty());  // UninstallKey
}

TEST(JournalCommit, UpdateHeaderNamesThePreviousProduct) {
  ScratchFolder root(L"commit_update_header");
  WriteLog(root / L"previous.ulog", L"");
  InstallJournal journal(L"Meridel 6.07c", L"Meridel 6");
  journal.LoadPreviousLog(root / L"previous.ulog");
  ASSERT_EQ(journal.Commit(root / L"Uninstall.ulog", L"C:\\P", L"C:\\S"), std::error_code());
  const std::string bytes = test::ReadTestFile(root / L"Uninstall.ulog");
  const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
  EXPECT_NE(text.find(L"\r\n// Install Meridel 6.07c -- Update (Meridel 6.05)\r\n"), std::wstring::npos);
}

TEST(JournalCommit, UnwritableLogStillDiscardsBackups) {
  ScratchFolder root(L"commit_unwritable");
  WriteTestFile(root / L"a.txt", "old a");
  WriteTestFile(root / L"b.txt", "old b");
  InstallJournal journal(L"Meridel 6.07c", L"Meridel 6");
  journal.RecordFile(root / L"a.txt", PayloadKind::MainProgram, false).Complete(true);
  journal.RecordFile(root / L"b.txt", PayloadKind::UserData, true).Complete(true);
  std::vector<std::wstring> backups;
  for (const JournalEntry& entry : journal.Entries()) backups.push_back(entry.backup);
  ASSERT_EQ(backups.size(), 2u);

  EXPECT_EQ(journal.Commit(root / L"missing\\Uninstall.ulog", L"C:\\P", L"C:\\S"),
            std::error_code(ERROR_WRITE_FAULT, std::system_category()));
  for (const std::wstring& backup : backups) EXPECT_FALSE(Exists(backup)) << backup;
  for (const JournalEntry& entry : journal.Entries()) EXPECT_TRUE(entry.backup.empty());
  EXPECT_TRUE(journal.ReportUnsettledBackups().empty());
}

}  // namespace
}  // namespace qw
