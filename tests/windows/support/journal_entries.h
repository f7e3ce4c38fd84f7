#pragma once
// Journal entries as a test writes them into a log or hands them to the
// removal: completed, with a kind, a path and the kind's value (-1: none).
// Test support.

#include <cstdint>
#include <string>

#include "engine/journal_entry.h"

namespace qw::test {

inline JournalEntry DoneEntry(JournalEntryKind kind, const std::wstring& path, std::int32_t value = -1) {
  JournalEntry entry;
  entry.kind = kind;
  entry.path = path;
  entry.value = value;
  entry.done = true;
  return entry;
}

}  // namespace qw::test
