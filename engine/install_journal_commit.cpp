// Commit: merging with the previous installation, writing the uninstall
// log and discarding what was set aside.
#include "engine/install_journal.h"

#include "engine/same_path.h"
#include "engine/uninstall_log.h"

namespace qw {
namespace {

bool NamesPath(JournalEntryKind kind) {
  return kind == JournalEntryKind::Folder || kind == JournalEntryKind::File;
}

}  // namespace

bool InstallJournal::Commit(const std::wstring& logPath, const std::wstring& installFolder,
                            const std::wstring& startMenuFolder) {
  Merge();
  const LoggedProduct product{productDisplayName_, keyLocation_.name};
  const bool written = UninstallLog::Write(logPath, product, entries_, installFolder,
                                           startMenuFolder, previous_.productText);
  DiscardBackups();
  return written;
}

// Previous entries that the new installation did not replace go to the
// front, in their old order; a folder or file appears once, every other
// kind at most once.
void InstallJournal::Merge() {
  while (!previous_.entries.empty()) {
    JournalEntry entry = std::move(previous_.entries.back());
    previous_.entries.pop_back();
    bool replaced = false;
    if (!NamesPath(entry.kind)) {
      for (const JournalEntry& current : entries_) replaced = replaced || current.kind == entry.kind;
    } else {
      // Equal names first, everywhere: only an entry without such a twin
      // costs the file-system comparison of SamePath.
      for (const JournalEntry& current : entries_) {
        if (current.kind == entry.kind && SamePathElements(current.path, entry.path)) {
          replaced = true;
          break;
        }
      }
      for (auto it = entries_.begin(); !replaced && it != entries_.end(); ++it) {
        replaced = it->kind == entry.kind && SamePath(it->path, entry.path);
      }
    }
    if (!replaced) entries_.push_front(std::move(entry));
  }
}

void InstallJournal::DiscardBackups() {
  for (JournalEntry& entry : entries_) {
    if (entry.backup.empty()) continue;
    ::SetFileAttributesW(entry.backup.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(entry.backup.c_str());
    entry.backup.clear();
  }
}

}  // namespace qw
