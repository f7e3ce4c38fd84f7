#include "ui/dlg_path.h"

#include "i18n/language_state.h"
#include "platform/folder_browser.h"
#include "platform/path_elements.h"
#include "ui/control_layout.h"

BOOL CDlgPath::OnInitDialog() {
  CWizardPage::OnInitDialog();
  if (m_context.m_installedState != qw::InstalledState::NotInstalled) {
    ::EnableWindow(GetDlgItem(IDC_PATH_LABEL), FALSE);
    ::EnableWindow(GetDlgItem(IDC_BROWSE), FALSE);
    ::SendMessageW(GetDlgItem(IDC_FOLDER), EM_SETREADONLY, TRUE, 0);
  }
  return TRUE;
}

void CDlgPath::DoDataExchange(CDataExchange& dx) {
  if (!dx.m_bSaveAndValidate) m_folder = m_context.m_installFolder;
  DDX_Text(dx, IDC_FOLDER, m_folder);
  DDV_MaxChars(dx, IDC_FOLDER, m_folder, MAX_PATH);
  // "C:/Games/Meridel" is the same folder to the system; the installation
  // records it in the one form the uninstaller accepts.
  if (dx.m_bSaveAndValidate && !dx.Failed()) m_context.m_installFolder = qw::WithBackslashes(m_folder);
}

bool CDlgPath::OnCommand(WORD id, WORD code, HWND) {
  switch (id) {
    case IDC_BROWSE:
      if (code == BN_CLICKED) OnBrowse();
      return true;
  }
  return false;
}

// A text that does not validate has shown its message; the dialog then
// opens at the folder last saved.
void CDlgPath::OnBrowse() {
  UpdateData(true);
  const std::wstring title =
      qw::FormatMessageText(qw::msg::kSelectInstallFolder, m_context.m_product.name);
  const qw::BrowseResult chosen =
      qw::BrowseForFolder(m_context.m_installFolder, m_context.m_product.key, title,
                          qw::IsCurrentLanguageRightToLeft());
  if (chosen.path.empty()) return;
  m_context.m_installFolder = chosen.path;
  UpdateData(false);
}

void CDlgPath::Relabel() {
  SetDlgItemText(IDC_PATH_GROUP, qw::LoadMessage(qw::msg::kFolderSelectionTitle));
  SetDlgItemText(IDC_PATH_LABEL,
                 qw::FormatMessageText(qw::msg::kSelectInstallFolder, m_context.m_product.name));
  SetDlgItemText(IDC_BROWSE, qw::LoadMessage(qw::msg::kBrowse));
  SetDlgItemText(IDC_STATUS, qw::FormatMessageText(qw::msg::kClickToContinue, qw::LoadMessage(qw::msg::kNext)));
}

void CDlgPath::Stretch(int dx, int dy) {
  for (int id : {IDC_PATH_GROUP, IDC_PATH_LABEL, IDC_FOLDER}) qw::StretchControl(m_hWnd, id, dx, 0);
  qw::ShiftControl(m_hWnd, IDC_BROWSE, dx, 0);
  qw::WidenAndLower(m_hWnd, IDC_STATUS, dx, dy);
}
