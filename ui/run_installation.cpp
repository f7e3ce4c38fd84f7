// PROVISIONAL: the install sequence's stand-in until the engine lands. It
// reports a successful run through the page's services and touches nothing
// on the machine.
#include "i18n/language_state.h"
#include "ui/dlg_install.h"

bool CDlgInstall::RunInstallation() {
  m_programPath.clear();
  m_uninstallerPath.clear();
  AppendLog(std::wstring(), true);
  ShowProgress();
  SetProgress(100);
  SetStatus(qw::FormatMessageText(1106, qw::LoadMessage(1006)));
  return true;
}
