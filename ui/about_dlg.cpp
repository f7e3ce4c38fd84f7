#include "ui/about_dlg.h"

#include "i18n/language_state.h"
#include "platform/file_version_info.h"
#include "ui/installer_title.h"
#include "ui/resource_ids.h"
#include "ui/window_icons.h"

BOOL CAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  std::wstring format = qw::LoadMessage(qw::msg::kAboutTitle);
  if (format.empty()) format = GetWindowText();
  SetWindowText(qw::FormatText(format, qw::InstallerTitle()));

  const qw::FileVersionInfo version = qw::FileVersionInfo::FromRunningModule();
  if (const std::wstring name = version.DisplayName(qw::CurrentLcid()); !name.empty()) {
    SetDlgItemText(IDC_ABOUT_NAME, name);
  }
  if (const std::wstring copyright = version.LegalCopyright(); !copyright.empty()) {
    SetDlgItemText(IDC_ABOUT_COPYRIGHT, copyright);
  }
  SetDlgItemText(IDOK, qw::LoadMessage(qw::msg::kOk));
  qw::ShowIconAtSystemSize(m_hWnd, ::GetModuleHandleW(nullptr), IDR_MAINFRAME);
  return TRUE;
}
