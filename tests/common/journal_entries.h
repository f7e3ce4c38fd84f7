#pragma once
// Journal entries as a test writes them into a log or a run record or hands
// them to the removal: a kind, a path and the kind's value (-1: none),
// completed or not. Test support for the native and the Windows tests alike
// (plain C++).

#include <cstdint>
#include <string>

#include "engine/journal_entry.h"

namespace qw::test {

inline JournalEntry NotDoneEntry(JournalEntryKind kind, const std::wstring& path, std::int32_t value = -1) {
  JournalEntry entry;
  entry.kind = kind;
  entry.path = path;
  entry.value = value;
  return entry;
}

inline JournalEntry DoneEntry(JournalEntryKind kind, const std::wstring& path, std::int32_t value = -1) {
  JournalEntry entry = NotDoneEntry(kind, path, value);
  entry.done = true;
  return entry;
}

}  // namespace qw::test
