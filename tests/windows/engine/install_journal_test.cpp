// Recording in the install journal: folders, backups, open entries, the
// memory of the previous installation, path comparison.
#include "engine/install_journal.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/run_record_file.h"
#include "engine/same_path.h"
#include "engine/uninstall_log.h"
#include "platform/system_error.h"
#include "scratch_folder.h"
#include "test_text.h"

namespace qw {
namespace {

using test::Exists;
using test::Narrow;
using test::ReadTestFile;
using test::ScratchFolder;
using test::WriteTestFile;

TEST(InstallJournal, FileInNewFoldersRecordsEachFolderAndRollbackRemovesThem) {
  ScratchFolder root(L"journal_folders");
  InstallJournal journal(L"Meridel 6.07c", L"Meridel 6");
  const std::wstring file = root / L"Q\\R\\file.txt";
  PendingJournalEntry entry = journal.RecordFile(file, PayloadKind::MainProgram, false);
  WriteTestFile(file, "new");
  entry.Complete(true);

  ASSERT_EQ(journal.Entries().size(), 3u);
  auto it = journal.Entries().begin();
  EXPECT_EQ(it->kind, JournalEntryKind::Folder);
  EXPECT_EQ(it->path, root / L"Q");
  EXPECT_TRUE(it->done);
  EXPECT_EQ(it->value, -1);
  EXPECT_EQ((++it)->path, root / L"Q\\R");
  ++it;
  EXPECT_EQ(it->kind, JournalEntryKind::File);
  EXPECT_EQ(it->path, file);
  EXPECT_EQ(it->value, 1);
  EXPECT_TRUE(it->done);
  EXPECT_TRUE(it->backup.empty());

  journal.Rollback();
  EXPECT_TRUE(journal.Entries().empty());
  EXPECT_FALSE(Exists(root / L"Q"));
  EXPECT_TRUE(Exists(root.path()));
}

TEST(InstallJournal, ExistingFolderIsNotRecorded) {
  ScratchFolder root(L"journal_existing_folder");
  InstallJournal journal(L"Meridel 6.07c", L"Meridel 6");
  journal.EnsureFolder(root.path());
  EXPECT_TRUE(journal.Entries().empty());
  journal.EnsureFolder(root / L"a\\b\\");
  EXPECT_EQ(journal.Entries().size(), 2u);
  EXPECT_TRUE(Exists(root / L"a\\b"));
  journal.Rollback();
}

TEST(InstallJournal, FolderCreationStopsAtAFile) {
  ScratchFolder root(L"journal_folder_file");
  WriteTestFile(root / L"plain", "x");
  InstallJournal journal(L"Meridel 6.07c", L"Meridel 6");
  journal.EnsureFolder(root / L"plain\\sub");
  EXPECT_TRUE(journal.Entries().empty());
  // The file stands where the first missing folder would be made.
  EXPECT_EQ(journal.LastRecordingError(), std::error_code(ERROR_ALREADY_EXISTS, std::system_category()));

  journal.EnsureFolder(root / L"folder");
  EXPECT_FALSE(journal.LastRecordingError());
  EXPECT_EQ(journal.Entries().size(), 1u);
  journal.Rollback();
}

TEST(InstallJournal, RecordingKeepsTheEntryAndSaysWhyAFolderFailed) {
  ScratchFolder root(L"journal_record_error");
  WriteTestFile(root / L"plain", "x");
  InstallJournal journal(L"Meridel 6.07c", L"Meridel 6");
  PendingJournalEntry entry = journal.RecordFile(root / L"plain\\sub\\file.txt", PayloadKind::ProgramFile, false);
  ASSERT_EQ(journal.Entries().size(), 1u);
  EXPECT_EQ(journal.Entries().back().kind, JournalEntryKind::File);
  EXPECT_EQ(journal.LastRecordingError(), std::error_code(ERROR_ALREADY_EXISTS, std::system_category()));
  entry.Complete(false);

  entry = journal.RecordDirectXSetup();
  EXPECT_FALSE(journal.LastRecordingError());
  entry.Complete(false);
  journal.Rollback();
}

TEST(InstallJournal, BackupMovesOrCopiesAndKeepsAttributes) {
  ScratchFolder root(L"journal_backup");
  const std::wstring file = root / L"readonly.txt";
  WriteTestFile(file, "before", FILE_ATTRIBUTE_READONLY);

  const std::wstring copy = InstallJournal::MakeBackup(file, true);
  ASSERT_FALSE(copy.empty());
  wchar_t temp[MAX_PATH + 1];
  ::GetTempPathW(MAX_PATH, temp);
  EXPECT_EQ(copy.rfind(std::wstring(temp) + L"qw", 0), 0u) << copy;
  EXPECT_EQ(ReadTestFile(copy), "before");
  EXPECT_TRUE(::GetFileAttributesW(copy.c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(::GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_READONLY);

  const std::wstring moved = InstallJournal::MakeBackup(file, false);
  ASSERT_FALSE(moved.empty());
  EXPECT_FALSE(Exists(file));
  EXPECT_EQ(ReadTestFile(moved), "before");
  EXPECT_TRUE(::GetFileAttributesW(moved.c_str()) & FILE_ATTRIBUTE_READONLY);

  const std::wstring reserved = InstallJournal::MakeBackup(std::nullopt, false);
  EXPECT_FALSE(reserved.empty());
  EXPECT_FALSE(Exists(reserved));
  EXPECT_TRUE(InstallJournal::MakeBackup(root / L"missing.txt", false).empty());
  std::error_code error = SystemError(ERROR_GEN_FAILURE);  // replaced by the outcome
  EXPECT_TRUE(InstallJournal::MakeBackup(root / L"missing.txt", false, error).empty());
  EXPECT_EQ(error, std::error_code(ERROR_FILE_NOT_FOUND, std::system_category()));
  const std::wstring name = InstallJournal::MakeBackup(std::nullopt, false, error);
  EXPECT_FALSE(name.empty());
  EXPECT_FALSE(error);

  for (const std::wstring& name : {copy, moved}) {
    ::SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(name.c_str());
  }
}

// A reserved name is only a name: nothing is made there (a run killed
// right after would leave a file nobody knows of), it has the form the
// next start's recovery accepts, and a file that takes it meanwhile is
// never replaced by the copy or the move.
TEST(InstallJournal, AReservedNameIsNotMadeAndWhatTakesItIsNeverReplaced) {
  ScratchFolder temp(L"journal_temp");
  ScratchFolder root(L"journal_reserve");
  wchar_t saved[MAX_PATH + 1] = {};
  const bool hadTmp = ::GetEnvironmentVariableW(L"TMP", saved, MAX_PATH + 1) > 0;
  ASSERT_TRUE(::SetEnvironmentVariableW(L"TMP", (temp.path() + L"\\").c_str()));
  struct PutBack {
    const wchar_t* value;
    ~PutBack() { ::SetEnvironmentVariableW(L"TMP", value); }
  } putBack{hadTmp ? saved : nullptr};

  std::vector<std::wstring> names;
  for (int i = 0; i < 20; ++i) {
    std::error_code error;
    names.push_back(InstallJournal::MakeBackup(std::nullopt, false, error));
    ASSERT_FALSE(error) << error.message();
    const std::wstring& name = names.back();
    ASSERT_EQ(name.rfind(temp.path() + L"\\qw", 0), 0u) << Narrow(name);
    EXPECT_EQ(name.size(), temp.path().size() + 1 + 10) << "qw, four hex digits, .tmp: " << Narrow(name);
    EXPECT_EQ(name.compare(name.size() - 4, 4, L".tmp"), 0) << Narrow(name);
  }
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW((temp.path() + L"\\*.tmp").c_str(), &found);
  EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "made: " << Narrow(found.cFileName);
  if (search != INVALID_HANDLE_VALUE) ::FindClose(search);

  const std::wstring file = root / L"user.txt";
  WriteTestFile(file, "the user's");
  const std::wstring& taken = names.front();
  WriteTestFile(taken, "another program's");
  for (bool copy : {true, false}) {
    std::error_code error;
    EXPECT_FALSE(InstallJournal::SetAside(file, taken, copy, error)) << (copy ? "copy" : "move");
    EXPECT_TRUE(error);
    EXPECT_EQ(ReadTestFile(taken), "another program's");
    EXPECT_EQ(ReadTestFile(file), "the user's");
  }
  ::DeleteFileW(taken.c_str());
}

TEST(InstallJournal, AnEntryIsCompletedOnceAndOneNeverCompletedCountsAsFailed) {
  ScratchFolder root(L"journal_pending");
  RunRecordFile record;
  ASSERT_FALSE(record.Create(root / L"record", RunRecordKind::Installation,
                             run_record::InstallationHeader(CurrentRecordWriter(), root.path(), {}, {})));
  InstallJournal journal(L"Meridel 6.07c", L"Meridel 6");
  journal.KeepRunRecord(&record);

  PendingJournalEntry nothing;
  nothing.Complete(true, std::wstring(L"ignored"));  // refers to no entry
  EXPECT_TRUE(journal.Entries().empty());

  PendingJournalEntry directX = journal.RecordDirectXSetup();
  EXPECT_TRUE(directX.pending());
  directX.Complete(true, std::wstring(L"DirectX..."));
  directX.Complete(false, std::wstring(L"second"));  // already completed
  EXPECT_FALSE(directX.pending());
  ASSERT_EQ(journal.Entries().size(), 1u);
  EXPECT_TRUE(journal.Entries().back().done);
  EXPECT_EQ(journal.Entries().back().path, L"DirectX...");

  {
    PendingJournalEntry registration = journal.RecordSelfRegistration();
    PendingJournalEntry moved = std::move(registration);
    registration.Complete(true);  // moved from: refers to no entry
  }  // dropped without completion
  ASSERT_EQ(journal.Entries().size(), 2u);
  EXPECT_FALSE(journal.Entries().back().done);

  std::wstring text;
  ASSERT_FALSE(ReadRunRecordText(root / L"record", RunRecordKind::Installation, text));
  const RecordedInstallation recorded = run_record::ParseInstallationRecord(text);
  ASSERT_EQ(recorded.entries.size(), 2u);
  EXPECT_TRUE(recorded.entries[0].completed);
  EXPECT_TRUE(recorded.entries[0].entry.done);
  EXPECT_EQ(recorded.entries[0].entry.path, L"DirectX...");
  EXPECT_FALSE(recorded.entries[1].completed) << "no completion is noted for an entry never completed";
  EXPECT_FALSE(recorded.entries[1].entry.done);
  journal.Rollback();
}

// A previous log with the entries given as log lines.
std::wstring WritePreviousLog(const ScratchFolder& root, const std::wstring& lines) {
  const std::wstring path = root / L"previous.ulog";
  const std::wstring text = L"\xFEFF// Uninstall Log File v1\r\n// x\r\n// Install Meridel 6.05\r\n"
                            L"// Install Path : " + root.path() + L"\r\n// Shortcut Path : " +
                            root.path() + L"\\Menu\r\n// -\r\n" + lines;
  WriteTestFile(path, std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2));
  return path;
}

TEST(InstallJournal, LoadPreviousLogKeepsExistingFoldersOnly) {
  ScratchFolder root(L"journal_load");
  const std::wstring log = WritePreviousLog(root, L"0000:0101:1 -- C:\\a\r\n");
  InstallJournal journal(L"Meridel 6.07c", L"Meridel 6");
  journal.LoadPreviousLog(log);
  EXPECT_EQ(journal.PreviousInstallFolder(), root.path());
  EXPECT_TRUE(journal.PreviousStartMenuFolder().empty());  // Menu does not exist
  EXPECT_EQ(journal.Previous().productText, L"Meridel 6.05");
  EXPECT_EQ(journal.Previous().entries.size(), 1u);

  InstallJournal none(L"Meridel 6.07c", L"Meridel 6");
  none.LoadPreviousLog(std::nullopt);
  EXPECT_TRUE(none.PreviousInstallFolder().empty());
  none.LoadPreviousLog(root / L"missing.ulog");
  EXPECT_TRUE(none.Previous().entries.empty());
}

TEST(InstallJournal, WasInstalledBeforeNeedsDoneFileWithExactPath) {
  ScratchFolder root(L"journal_installed_before");
  InstallJournal journal(L"Meridel 6.07c", L"Meridel 6");
  journal.LoadPreviousLog(WritePreviousLog(root,
      L"0000:0103:1 -- C:\\P\\Done.mrd\r\n0001:0103:0 -- C:\\P\\NotDone.mrd\r\n"
      L"0002:00ff:1 -- C:\\P\\Folder\r\n"));
  EXPECT_TRUE(journal.WasInstalledBefore(L"C:\\P\\Done.mrd"));
  EXPECT_FALSE(journal.WasInstalledBefore(L"C:\\P\\done.mrd"));
  EXPECT_FALSE(journal.WasInstalledBefore(L"C:\\P\\NotDone.mrd"));
  EXPECT_FALSE(journal.WasInstalledBefore(L"C:\\P\\Folder"));
}

TEST(SamePath, ElementsThenTheFileSystem) {
  ScratchFolder root(L"journal_same_path");
  WriteTestFile(root / L"File.txt", "x");
  WriteTestFile(root / L"Other.txt", "x");
  EXPECT_TRUE(SamePath(L"C:\\a\\b", L"C:/a//b\\"));
  EXPECT_FALSE(SamePath(L"\\a\\b", L"a\\b"));
  // Existing: the file system decides.
  EXPECT_TRUE(SamePath(root / L"File.txt", root / L"sub\\..\\FILE.TXT"));
  EXPECT_FALSE(SamePath(root / L"File.txt", root / L"Other.txt"));
  // Exactly one exists.
  EXPECT_FALSE(SamePath(root / L"File.txt", root / L"Missing.txt"));
  // Neither exists: full paths without regard to case.
  EXPECT_TRUE(SamePath(root / L"Gone\\A.txt", root / L"gone\\x\\..\\a.TXT"));
  EXPECT_FALSE(SamePath(root / L"Gone\\A.txt", root / L"Gone\\AB.txt"));
}

TEST(InstallJournal, UnsettledBackupsAreKeptAndListed) {
  ScratchFolder root(L"journal_unsettled");
  const std::wstring file = root / L"kept.txt";
  WriteTestFile(file, "the user's");
  std::wstring backup;
  std::wstring list;
  {
    InstallJournal journal(L"Meridel 6.07c", L"Meridel 6");
    journal.RecordFile(file, PayloadKind::MainProgram, false).Complete(false);
    backup = journal.Entries().back().backup;
    ASSERT_FALSE(backup.empty());
    list = journal.ReportUnsettledBackups();
  }  // neither Commit nor Rollback
  ASSERT_FALSE(list.empty());
  EXPECT_EQ(ReadTestFile(backup), "the user's");
  const std::string listed = ReadTestFile(list);
  const std::wstring expected = backup + L"\t" + file + L"\r\n";
  EXPECT_NE(listed.find(std::string(reinterpret_cast<const char*>(expected.data()), expected.size() * 2)),
            std::string::npos);
  ::DeleteFileW(backup.c_str());
  ::DeleteFileW(list.c_str());
}

}  // namespace
}  // namespace qw
