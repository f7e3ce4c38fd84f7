#pragma once
// The application object: holds the installer context for the whole process
// and runs start-up in InitInstance.

#include <windows.h>

#include "app/install_context.h"
#include "ui/win_app.h"

class CInstallApp : public CWinApp {
 public:
  // Creates the application lock (not owned) and registers the application
  // icon with the message-box service.
  CInstallApp();
  ~CInstallApp() override;

  // Start-up: checks, language, detection, default folders, then the wizard
  // run modally. Always returns false: the process ends when it returns.
  bool InitInstance() override;

 private:
  bool WaitForRunningProduct();
  void TakeOverPreviousInstallation();
  void FillDefaultFolders();

  HICON m_icon = nullptr;  // shared resource icon: not destroyed
  qw::InstallContext m_context;
};
