#include "ui/apply_language.h"

#include "ui/install_dlg.h"
#include "ui/win_app.h"

void ApplyLanguageToMainWindow() {
  HWND window = AfxGetMainWnd();
  if (!window) return;
  auto* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
  if (auto* frame = dynamic_cast<CInstallDlg*>(dialog)) frame->ApplyLanguage();
}
