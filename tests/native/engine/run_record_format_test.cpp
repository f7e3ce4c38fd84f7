// The run record's text read back: what a kill leaves (a last line cut off
// in the middle) is read up to that line; a damaged line ends the reading;
// lines naming entries that do not exist are damage too.
#include <gtest/gtest.h>

#include "engine/run_record_format.h"
#include "tests/common/journal_entries.h"

namespace qw {
namespace {

using test::NotDoneEntry;

// A recorded entry, not yet completed, for a place where something was.
JournalEntry Existing(JournalEntry entry) {
  entry.existedBefore = true;
  return entry;
}

std::wstring Header() {
  RecordWriter writer;
  writer.processId = 4242;
  writer.creationTime = 0x01DB2C3D4E5F6071ull;
  return run_record::InstallationHeader(writer, L"C:\\Program Files\\Q\\M", L"C:\\S", L"C:\\T\\quillon_{1}");
}

TEST(RunRecordFormat, AWholeRecordReadsBackEveryChange) {
  const std::wstring file = L"C:\\Program Files\\Q\\M\\License.txt";
  const std::wstring text =
      Header() + run_record::EntryLine(NotDoneEntry(JournalEntryKind::Folder, L"C:\\Program Files\\Q\\M")) +
      run_record::EntryLine(Existing(NotDoneEntry(JournalEntryKind::File, file, 3))) +
      run_record::BackupLine(1, L"C:\\T\\qw12.tmp", file) + run_record::SetAsideLine(1) +
      run_record::CompletionLine(1, true, nullptr) +
      run_record::EntryLine(NotDoneEntry(JournalEntryKind::DesktopShortcut, L"")) +
      run_record::TargetLine(2, L"C:\\D\\M.lnk") + run_record::ProductPathLine(true, true, L"C:\\old\\M.exe") +
      run_record::CommittedLine();
  const RecordedInstallation record = run_record::ParseInstallationRecord(text);
  EXPECT_TRUE(record.complete);
  EXPECT_EQ(record.writer.processId, 4242u);
  EXPECT_EQ(record.writer.creationTime, 0x01DB2C3D4E5F6071ull);
  EXPECT_EQ(record.installFolder, L"C:\\Program Files\\Q\\M");
  EXPECT_EQ(record.temporaryFolder, L"C:\\T\\quillon_{1}");
  ASSERT_EQ(record.entries.size(), 3u);
  EXPECT_TRUE(record.entries[0].entry.done) << "a folder is made when it is noted";
  const RecordedEntry& copy = record.entries[1];
  EXPECT_EQ(copy.entry.value, 3);
  EXPECT_TRUE(copy.entry.existedBefore);
  EXPECT_EQ(copy.entry.backup, L"C:\\T\\qw12.tmp");
  EXPECT_TRUE(copy.setAside);
  EXPECT_TRUE(copy.completed);
  EXPECT_EQ(record.entries[2].target, L"C:\\D\\M.lnk");
  EXPECT_FALSE(record.entries[2].completed);
  EXPECT_TRUE(record.productPath.valueExisted);
  EXPECT_EQ(record.productPath.previousValue, L"C:\\old\\M.exe");
  EXPECT_TRUE(record.committed);
}

TEST(RunRecordFormat, ALineCutOffOrDamagedEndsTheReadingAfterWhatCameBefore) {
  const std::wstring two = Header() + run_record::EntryLine(NotDoneEntry(JournalEntryKind::File, L"C:\\a", 0)) +
                           run_record::EntryLine(NotDoneEntry(JournalEntryKind::File, L"C:\\b", 0));
  const std::wstring complete = run_record::EntryLine(NotDoneEntry(JournalEntryKind::File, L"C:\\c", 0));

  const RecordedInstallation cut = run_record::ParseInstallationRecord(two + complete.substr(0, 9));
  EXPECT_FALSE(cut.complete);
  EXPECT_EQ(cut.entries.size(), 2u);

  for (const std::wstring& damaged : {std::wstring(L"entry\t9\t0\t0\tC:\\x\r\n"),   // no such kind
                                      std::wstring(L"complete\t2\t1\r\n"),         // no such entry
                                      std::wstring(L"setaside\t0\r\n"),            // nothing was set aside
                                      std::wstring(L"entry\t1\t0\tyes\tC:\\x\r\n"),  // not a flag
                                      std::wstring(L"unknown\r\n")}) {
    const RecordedInstallation record = run_record::ParseInstallationRecord(two + damaged + complete);
    EXPECT_FALSE(record.complete);
    EXPECT_EQ(record.entries.size(), 2u) << "nothing after the damaged line is taken";
  }
  EXPECT_EQ(run_record::ParseInstallationRecord(L"something else\r\n" + two).linesRead, 0)
      << "not a record: nothing is read";
}

TEST(RunRecordFormat, ARemovalRecordKeepsTheLogsEntriesAndHowFarItCame) {
  RecordWriter writer;
  writer.processId = 7;
  std::wstring text = run_record::RemovalHeader(writer, L"C:\\M\\Uninstall.ulog", L"C:\\S", true, false);
  JournalEntry entry = NotDoneEntry(JournalEntryKind::File, L"C:\\M\\Meridel.exe", 1);
  entry.done = true;
  text += run_record::RemovalEntryLine(entry) + run_record::RemovalEntriesEndLine() + run_record::RemovedLine(1);
  const RecordedRemoval record = run_record::ParseRemovalRecord(text);
  EXPECT_TRUE(record.complete);
  EXPECT_TRUE(record.entriesComplete);
  EXPECT_TRUE(record.removeUserData);
  EXPECT_EQ(record.startMenuFolder, L"C:\\S");
  ASSERT_EQ(record.entries.size(), 1u);
  EXPECT_TRUE(record.entries[0].done);
  EXPECT_EQ(record.removed, 1u);
  EXPECT_FALSE(run_record::ParseRemovalRecord(text + run_record::RemovedLine(2)).complete)
      << "more removed than listed";
}

}  // namespace
}  // namespace qw
