#pragma once
// A change the install journal has recorded and the caller is about to make
// (or is making): what InstallJournal's Record* operations return. The
// caller completes it with the outcome once the change is made or failed;
// until then the entry counts as not done, and an entry that is dropped
// without Complete stays so: rollback undoes it like any failed change,
// the uninstall log lists it as not done and the run record shows no
// completion for it.
//
// It refers to an entry the journal owns: it must not be completed after
// the journal's Rollback (which frees the entries).

#include <cstddef>
#include <optional>
#include <string>

namespace qw {

class InstallJournal;
struct JournalEntry;

class [[nodiscard]] PendingJournalEntry {
 public:
  // Refers to no entry: Complete and NoteTarget do nothing.
  PendingJournalEntry() = default;
  PendingJournalEntry(PendingJournalEntry&& other) noexcept;
  PendingJournalEntry& operator=(PendingJournalEntry&& other) noexcept;
  PendingJournalEntry(const PendingJournalEntry&) = delete;
  PendingJournalEntry& operator=(const PendingJournalEntry&) = delete;
  ~PendingJournalEntry() = default;

  // Sets the entry's done flag and, when given, replaces its path; notes
  // the completion in the run record. Only the first call counts: the
  // object refers to no entry afterwards.
  void Complete(bool done, const std::optional<std::wstring>& path = std::nullopt);

  // Notes in the run record the path the change is about to be made at,
  // for a change (a shortcut) whose own path the entry gets only when it
  // is completed. The entry itself is unchanged.
  void NoteTarget(const std::wstring& path);

  // Whether it still refers to an entry that is not completed.
  bool pending() const { return entry_ != nullptr; }

 private:
  friend class InstallJournal;
  PendingJournalEntry(InstallJournal& journal, JournalEntry& entry, std::size_t recordIndex,
                      std::size_t rollbacks);

  InstallJournal* journal_ = nullptr;
  JournalEntry* entry_ = nullptr;
  std::size_t recordIndex_ = 0;  // the entry's number in the run record
  std::size_t rollbacks_ = 0;    // the journal's rollbacks when it was recorded
};

}  // namespace qw
