#include "product/uninstaller/removal_window.h"

#include <commctrl.h>

#include "i18n/message_lookup.h"
#include "product/uninstaller/uninstaller_resources.h"
#include "ui/window_icons.h"

namespace qw::uninstaller {

CRemovalWindow::CRemovalWindow(std::wstring product)
    : CDialog(IDD_UNINSTALL_PROGRESS), m_product(std::move(product)) {}

CRemovalWindow::~CRemovalWindow() {
  if (m_hWnd) ::DestroyWindow(m_hWnd);
}

bool CRemovalWindow::Show() {
  if (!Create(nullptr)) return false;
  ::ShowWindow(m_hWnd, SW_SHOW);
  ::UpdateWindow(m_hWnd);
  return true;
}

BOOL CRemovalWindow::OnInitDialog() {
  SetWindowText(FormatMessageText(msg::kUninstallTitle, m_product));
  SetDlgItemText(IDC_PROGRESS_TEXT, FormatMessageText(msg::kRemoving, m_product));
  SetWindowIcons(m_hWnd, ::GetModuleHandleW(nullptr), IDI_UNINSTALLER);
  return CDialog::OnInitDialog();
}

void CRemovalWindow::Removing(const std::wstring& what, std::size_t step, std::size_t steps) {
  if (!m_hWnd) return;
  SetDlgItemText(IDC_PROGRESS_TEXT, FormatMessageText(msg::kRemoving, what.empty() ? m_product : what));
  ::SendDlgItemMessageW(m_hWnd, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, static_cast<LPARAM>(steps));
  ::SendDlgItemMessageW(m_hWnd, IDC_PROGRESS_BAR, PBM_SETPOS, step + 1, 0);
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (!::IsDialogMessageW(m_hWnd, &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
}

}  // namespace qw::uninstaller
