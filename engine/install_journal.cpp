// Provisional: an empty journal, until the journal lands.
#include "engine/install_journal.h"

namespace qw {

void InstallJournal::LoadPreviousLog(const std::optional<std::wstring>&) {
  previousInstallFolder_.clear();
  previousStartMenuFolder_.clear();
}

}  // namespace qw
