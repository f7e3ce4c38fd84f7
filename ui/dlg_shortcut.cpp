#include "ui/dlg_shortcut.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "i18n/language_state.h"
#include "platform/folder_browser.h"
#include "platform/folder_path_rules.h"
#include "platform/system_error.h"
#include "ui/control_layout.h"
#include "ui/win_app.h"

namespace {

std::wstring StartMenuFolder() {
  wchar_t path[MAX_PATH] = {};
  if (::SHGetSpecialFolderPathW(nullptr, path, CSIDL_COMMON_STARTMENU, FALSE)) return path;
  if (::SHGetSpecialFolderPathW(nullptr, path, CSIDL_STARTMENU, FALSE)) return path;
  return std::wstring();
}

// `folder` relative to the Start Menu folder `base`: empty for the base
// itself; the full folder when it cannot be expressed relative to it
// (another volume), which saving then takes back as it is.
std::wstring RelativeFolder(const std::wstring& base, const std::wstring& folder) {
  bool related = false;
  std::wstring relative = qw::RelativeToFolder(folder, base, related);
  return related ? relative : folder;
}

}  // namespace

BOOL CDlgShortcut::OnInitDialog() {
  m_baseFolder = StartMenuFolder();
  CWizardPage::OnInitDialog();
  UpdateEnabling();
  return TRUE;
}

void CDlgShortcut::DoDataExchange(CDataExchange& dx) {
  if (!dx.m_bSaveAndValidate) {
    m_desktop = m_context.m_desktopShortcut ? BST_CHECKED : BST_UNCHECKED;
    m_startMenu = m_context.m_startMenuShortcut ? BST_CHECKED : BST_UNCHECKED;
    m_relativeFolder = RelativeFolder(m_baseFolder, m_context.m_startMenuFolder);
  }
  DDX_Check(dx, IDC_DESKTOP_SHORTCUT, m_desktop);
  DDX_Check(dx, IDC_MENU_SHORTCUT, m_startMenu);
  DDX_Text(dx, IDC_FOLDER, m_relativeFolder);
  DDV_MaxChars(dx, IDC_FOLDER, m_relativeFolder, MAX_PATH);
  if (dx.m_bSaveAndValidate && !dx.Failed()) {
    // Short enough for the edit, too long once joined to the base folder:
    // refused, as the shortcuts could not be made there.
    const std::wstring folder = qw::CombineFolder(m_baseFolder, m_relativeFolder);
    if (folder.empty()) {
      AfxMessageBox(qw::SystemErrorText(ERROR_FILENAME_EXCED_RANGE), MB_ICONEXCLAMATION);
      dx.Fail(IDC_FOLDER);
      return;
    }
    m_context.m_desktopShortcut = m_desktop != BST_UNCHECKED;
    m_context.m_startMenuShortcut = m_startMenu != BST_UNCHECKED;
    m_context.m_startMenuFolder = folder;
  }
}

bool CDlgShortcut::OnCommand(WORD id, WORD code, HWND) {
  switch (id) {
    case IDC_MENU_SHORTCUT:
      if (code == BN_CLICKED) UpdateEnabling();
      return true;
    case IDC_BROWSE:
      if (code == BN_CLICKED) OnBrowse();
      return true;
  }
  return false;
}

// The tree is limited to the all-users Programs folder; reloading shows
// the choice relative to the Start Menu folder.
void CDlgShortcut::OnBrowse() {
  UpdateData(true);
  const qw::BrowseResult chosen =
      qw::BrowseForFolder(m_context.m_startMenuFolder, m_context.m_product.key,
                          qw::LoadMessage(qw::msg::kStartMenuShortcutChoice), qw::IsCurrentLanguageRightToLeft(),
                          CSIDL_COMMON_PROGRAMS);
  if (chosen.path.empty()) return;
  m_context.m_startMenuFolder = chosen.path;
  UpdateData(false);
}

// The folder and its Browse button are only of use with a Start-menu shortcut.
void CDlgShortcut::UpdateEnabling() {
  const BOOL enable = ::IsDlgButtonChecked(m_hWnd, IDC_MENU_SHORTCUT) == BST_CHECKED;
  ::EnableWindow(GetDlgItem(IDC_FOLDER), enable);
  ::EnableWindow(GetDlgItem(IDC_BROWSE), enable);
}

void CDlgShortcut::Relabel() {
  SetDlgItemText(IDC_MENU_GROUP, qw::LoadMessage(qw::msg::kStartMenu));
  SetDlgItemText(IDC_MENU_SHORTCUT, qw::LoadMessage(qw::msg::kStartMenuShortcutChoice));
  SetDlgItemText(IDC_BROWSE, qw::LoadMessage(qw::msg::kBrowse));
  SetDlgItemText(IDC_DESKTOP_SHORTCUT, qw::LoadMessage(qw::msg::kDesktopShortcutChoice));
  SetDlgItemText(IDC_STATUS, qw::FormatMessageText(qw::msg::kClickToContinue, qw::LoadMessage(qw::msg::kNext)));
}

void CDlgShortcut::Stretch(int dx, int dy) {
  for (int id : {IDC_MENU_GROUP, IDC_MENU_SHORTCUT, IDC_FOLDER, IDC_DESKTOP_SHORTCUT}) {
    qw::StretchControl(m_hWnd, id, dx, 0);
  }
  qw::ShiftControl(m_hWnd, IDC_BROWSE, dx, 0);
  qw::WidenAndLower(m_hWnd, IDC_STATUS, dx, dy);
}
