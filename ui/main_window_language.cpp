// PROVISIONAL: sets the main window's title only, until the wizard frame
// re-labels itself and its pages (CInstallDlg::ApplyLanguage).
#include "ui/main_window_language.h"

#include "ui/win_app.h"

void ApplyLanguageToMainWindow() {
  CWinApp* app = AfxGetApp();
  HWND window = AfxGetMainWnd();
  if (app && window) ::SetWindowTextW(window, app->AppName().c_str());
}
