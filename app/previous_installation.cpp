#include "app/previous_installation.h"

namespace qw {

void TakeOverPreviousInstallation(InstallContext& context,
                                  const std::function<std::optional<std::wstring>()>& findLog) {
  const InstalledState state = context.m_installedState;
  if (state != InstalledState::SameVersion && state != InstalledState::OlderVersion) {
    context.m_journal.LoadPreviousLog(std::nullopt);
    return;
  }
  const std::optional<std::wstring> log = findLog();
  if (!log) return;  // nothing loaded: the default folders apply
  context.m_journal.LoadPreviousLog(log);
  context.m_installFolder = context.m_journal.PreviousInstallFolder();
  context.m_startMenuFolder = context.m_journal.PreviousStartMenuFolder();
}

}  // namespace qw
