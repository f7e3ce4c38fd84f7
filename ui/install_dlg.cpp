#include "ui/install_dlg.h"

#include "ui/resource_ids.h"
#include "ui/win_app.h"

INT_PTR CInstallDlg::DoModal() {
  return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_INSTALL_DIALOG),
                           nullptr, DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CInstallDlg::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      if (CWinApp* app = AfxGetApp()) {
        app->SetMainWindow(dialog);
        ::SetWindowTextW(dialog, app->AppName().c_str());
      }
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) {
        if (CWinApp* app = AfxGetApp()) app->SetMainWindow(nullptr);
        ::EndDialog(dialog, IDCANCEL);
      }
      return TRUE;
  }
  return FALSE;
}
