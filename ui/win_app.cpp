#include "ui/win_app.h"

#include "platform/message_box_service.h"
#include "platform/module_file.h"

namespace {
CWinApp* g_app = nullptr;
}  // namespace

CWinApp::CWinApp()
    : m_appName(qw::FileBaseName(qw::ModuleFilePath(nullptr))),
      m_instance(::GetModuleHandleW(nullptr)) {
  g_app = this;
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }

HWND AfxGetMainWnd() { return g_app ? g_app->MainWindow() : nullptr; }

int AfxMessageBox(const std::wstring& text, UINT type) {
  HWND owner = AfxGetMainWnd();
  if (!owner) owner = ::GetActiveWindow();
  return qw::ShowMessageBox(owner, text, type);
}

