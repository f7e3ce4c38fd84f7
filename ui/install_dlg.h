#pragma once
// The wizard frame. Provisional: an empty modal window with Back, Next and
// Exit, until the wizard lands.

#include <windows.h>

#include "app/install_context.h"

class CInstallDlg {
 public:
  explicit CInstallDlg(qw::InstallContext& context) : m_context(context) {}
  INT_PTR DoModal();

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  qw::InstallContext& m_context;
};
