#include "ui/dlg_mode.h"

#include "i18n/language_state.h"
#include "ui/control_layout.h"

void CDlgMode::DoDataExchange(CDataExchange& dx) {
  if (!dx.m_bSaveAndValidate) m_method = m_context.m_advancedMode ? 1 : 0;
  DDX_Radio(dx, IDC_QUICK, m_method);
  if (dx.m_bSaveAndValidate && !dx.Failed()) m_context.m_advancedMode = m_method == 1;
}

void CDlgMode::Relabel() {
  SetDlgItemText(IDC_MODE_GROUP, qw::LoadMessage(qw::msg::kInstallationMethod));
  SetDlgItemText(IDC_QUICK, qw::LoadMessage(qw::msg::kQuickInstallation));
  SetDlgItemText(IDC_ADVANCED, qw::LoadMessage(qw::msg::kAdvancedInstallation));
  SetDlgItemText(IDC_STATUS, qw::FormatMessageText(qw::msg::kClickToContinue, qw::LoadMessage(qw::msg::kNext)));
}

void CDlgMode::Stretch(int dx, int dy) {
  for (int id : {IDC_MODE_GROUP, IDC_QUICK, IDC_ADVANCED}) qw::StretchControl(m_hWnd, id, dx, 0);
  qw::WidenAndLower(m_hWnd, IDC_STATUS, dx, dy);
}
