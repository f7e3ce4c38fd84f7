#include "product/uninstaller/uninstall_question.h"

#include "i18n/message_lookup.h"
#include "product/uninstaller/uninstaller_resources.h"
#include "ui/window_icons.h"

namespace qw::uninstaller {

CUninstallQuestion::CUninstallQuestion(std::wstring product)
    : CDialog(IDD_UNINSTALL_QUESTION), m_product(std::move(product)) {}

BOOL CUninstallQuestion::OnInitDialog() {
  SetWindowText(FormatMessageText(msg::kUninstallTitle, m_product));
  SetDlgItemText(IDC_QUESTION_TEXT, FormatMessageText(msg::kUninstallQuestion, m_product));
  SetDlgItemText(IDC_QUESTION_NOTE, LoadMessage(msg::kUserDataKeptNote));
  SetDlgItemText(IDC_REMOVE_USER_DATA, LoadMessage(msg::kRemoveUserData));
  SetDlgItemText(IDOK, LoadMessage(msg::kRemove));
  SetDlgItemText(IDCANCEL, LoadMessage(msg::kUninstallCancel));
  // The icons at the sizes of the display scale, not the template's.
  SetWindowIcons(m_hWnd, ::GetModuleHandleW(nullptr), IDI_UNINSTALLER);
  ShowIconAtSystemSize(m_hWnd, ::GetModuleHandleW(nullptr), IDI_UNINSTALLER);
  ::SetForegroundWindow(m_hWnd);
  return CDialog::OnInitDialog();
}

void CUninstallQuestion::DoDataExchange(CDataExchange& dx) { DDX_Check(dx, IDC_REMOVE_USER_DATA, m_removeUserData); }

}  // namespace qw::uninstaller
