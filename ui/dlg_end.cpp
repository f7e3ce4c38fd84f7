#include "ui/dlg_end.h"

#include "i18n/language_state.h"
#include "ui/control_layout.h"

void CDlgEnd::DoDataExchange(CDataExchange& dx) {
  if (!dx.m_bSaveAndValidate && m_context.m_installSucceeded) {
    SetDlgItemText(IDC_INFO, qw::LoadMessage(1120));
  }
}

void CDlgEnd::Relabel() {
  SetDlgItemText(IDC_INFO, std::wstring());
  SetDlgItemText(IDC_STATUS, qw::FormatMessageText(1107, qw::LoadMessage(1004)));
}

void CDlgEnd::Stretch(int dx, int dy) {
  qw::StretchControl(m_hWnd, IDC_INFO, dx, dy);
  qw::WidenAndLower(m_hWnd, IDC_STATUS, dx, dy);
}
