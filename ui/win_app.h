#pragma once
// The application object of the dialog layer, standing in for MFC's
// CWinApp: the application name (the caption of message boxes), the main
// window, the instance handle and the InitInstance hook that wWinMain runs.
// No message loop: the installer runs modal dialogs only.

#include <windows.h>

#include <string>

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // Returns whether the application should enter a message loop; the
  // installer always answers false.
  virtual bool InitInstance() { return true; }

  // The application name: initially the executable's file name without
  // folder and extension.
  const std::wstring& AppName() const { return m_appName; }
  void SetAppName(std::wstring name) { m_appName = std::move(name); }

  HWND MainWindow() const { return m_mainWindow; }
  void SetMainWindow(HWND window) { m_mainWindow = window; }

  HINSTANCE Instance() const { return m_instance; }

 private:
  std::wstring m_appName;
  HWND m_mainWindow = nullptr;
  HINSTANCE m_instance;
};

// The one application object, or null before it exists (and in tests).
CWinApp* AfxGetApp();
HWND AfxGetMainWnd();

// A message box owned by the main window (or the active window), with the
// application name as its caption.
int AfxMessageBox(const std::wstring& text, UINT type = MB_OK);

