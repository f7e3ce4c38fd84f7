#include "engine/pending_journal_entry.h"

#include <cassert>
#include <utility>

#include "engine/install_journal.h"

namespace qw {

PendingJournalEntry::PendingJournalEntry(InstallJournal& journal, JournalEntry& entry, std::size_t recordIndex,
                                         std::size_t rollbacks)
    : journal_(&journal), entry_(&entry), recordIndex_(recordIndex), rollbacks_(rollbacks) {}

PendingJournalEntry::PendingJournalEntry(PendingJournalEntry&& other) noexcept
    : journal_(other.journal_), entry_(std::exchange(other.entry_, nullptr)), recordIndex_(other.recordIndex_),
      rollbacks_(other.rollbacks_) {}

PendingJournalEntry& PendingJournalEntry::operator=(PendingJournalEntry&& other) noexcept {
  // An entry replaced without Complete stays not done, as when dropped.
  journal_ = other.journal_;
  entry_ = std::exchange(other.entry_, nullptr);
  recordIndex_ = other.recordIndex_;
  rollbacks_ = other.rollbacks_;
  return *this;
}

void PendingJournalEntry::Complete(bool done, const std::optional<std::wstring>& path) {
  if (!entry_) return;
  // After a rollback the entry is gone: completing it is a caller's fault.
  assert(journal_->rollbacks_ == rollbacks_);
  if (journal_->rollbacks_ != rollbacks_) {
    entry_ = nullptr;
    return;
  }
  JournalEntry& entry = *std::exchange(entry_, nullptr);
  entry.done = done;
  if (path) entry.path = *path;
  journal_->NoteCompletion(recordIndex_, done, path);
}

void PendingJournalEntry::NoteTarget(const std::wstring& path) {
  if (!entry_ || journal_->rollbacks_ != rollbacks_) return;
  journal_->NoteTarget(recordIndex_, path);
}

}  // namespace qw
