#include "ui/dlg_start.h"

#include "i18n/language_state.h"
#include "ui/control_layout.h"

void CDlgStart::DoDataExchange(CDataExchange& dx) { DDX_Control(dx, IDC_LANGUAGE, m_languageList); }

void CDlgStart::Relabel() {
  using qw::FormatMessageText;
  using qw::LoadMessage;
  std::wstring installed;
  const qw::InstalledState state = m_context.GetInstalledState(&installed);
  const std::wstring product = qw::InstallContext::ProductDisplayName(false);
  const std::wstring next = LoadMessage(1006), cancel = LoadMessage(1002);
  std::wstring situation, status;
  switch (state) {
    case qw::InstalledState::NotInstalled:
      situation = FormatMessageText(1100, product);
      status = FormatMessageText(1106, next);
      break;
    case qw::InstalledState::SameVersion:
      situation = FormatMessageText(1102, product) + L"\r\n" + LoadMessage(1104);
      status = FormatMessageText(1105, next, cancel);
      break;
    case qw::InstalledState::OlderVersion:
      situation = FormatMessageText(1101, installed, product);
      status = FormatMessageText(1106, next);
      break;
    case qw::InstalledState::NewerVersion:
      situation = FormatMessageText(1100, product) + L"\r\n" + FormatMessageText(1103, installed);
      status = FormatMessageText(1107, cancel);
      break;
  }
  SetDlgItemText(IDC_INFO, situation);
  SetDlgItemText(IDC_STATUS, status);
  SetDlgItemText(IDC_COPYRIGHT, FormatMessageText(1109, product));
  SetDlgItemText(IDC_LANGUAGE_LABEL, LoadMessage(1014));
}

void CDlgStart::Stretch(int dx, int dy) {
  qw::StretchControl(m_hWnd, IDC_LANGUAGE, dx, 0);
  qw::StretchControl(m_hWnd, IDC_COPYRIGHT, dx, 0);
  qw::StretchControl(m_hWnd, IDC_INFO, dx, dy);
  qw::WidenAndLower(m_hWnd, IDC_STATUS, dx, dy);
}
