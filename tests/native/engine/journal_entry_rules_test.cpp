// The rules of the journal entry kinds, natively.
#include <gtest/gtest.h>

#include "engine/journal_entry_rules.h"
#include "tests/common/journal_entries.h"

namespace qw {
namespace {

JournalEntry Entry(JournalEntryKind kind, std::int32_t value) {
  return test::DoneEntry(kind, L"C:\\Program Files\\Quillon Works\\Meridel\\Meridel.exe", value);
}

// Only a File entry of payload kind 1 is the main program: another payload
// kind under the same name is not, nor another entry kind that carries the
// number 1.
TEST(JournalEntryRules, MainProgramEntryIsAFileOfPayloadKindOne) {
  EXPECT_TRUE(IsMainProgramEntry(Entry(JournalEntryKind::File, 1)));
  EXPECT_FALSE(IsMainProgramEntry(Entry(JournalEntryKind::File, 0)));
  EXPECT_FALSE(IsMainProgramEntry(Entry(JournalEntryKind::File, 2)));
  EXPECT_FALSE(IsMainProgramEntry(Entry(JournalEntryKind::File, -1)));
  EXPECT_FALSE(IsMainProgramEntry(Entry(JournalEntryKind::ProgramShortcut, 1)));
  EXPECT_FALSE(IsMainProgramEntry(Entry(JournalEntryKind::Folder, 1)));
}

}  // namespace
}  // namespace qw
