#include "ui/win_app.h"

#include "platform/message_box_service.h"

namespace {
CWinApp* g_app = nullptr;

std::wstring ExecutableBaseName() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name = path;
  const std::size_t slash = name.find_last_of(L"\\/");
  if (slash != std::wstring::npos) name.erase(0, slash + 1);
  const std::size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos) name.erase(dot);
  return name;
}
}  // namespace

CWinApp::CWinApp() : m_appName(ExecutableBaseName()), m_instance(::GetModuleHandleW(nullptr)) {
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

