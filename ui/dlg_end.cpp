#include "ui/dlg_end.h"

#include "i18n/language_state.h"
#include "ui/control_layout.h"

void CDlgEnd::DoDataExchange(CDataExchange& dx) {
  if (!dx.m_bSaveAndValidate && m_context.m_installSucceeded) {
    SetDlgItemText(IDC_INFO, qw::LoadMessage(qw::msg::kInstallationComplete));
  }
}

void CDlgEnd::Relabel() {
  SetDlgItemText(IDC_INFO, std::wstring());
  SetDlgItemText(IDC_STATUS, qw::FormatMessageText(qw::msg::kClickToExit, qw::LoadMessage(qw::msg::kExit)));
}

void CDlgEnd::Stretch(int dx, int dy) {
  qw::StretchControl(m_hWnd, IDC_INFO, dx, dy);
  qw::WidenAndLower(m_hWnd, IDC_STATUS, dx, dy);
}
