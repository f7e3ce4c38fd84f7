#include "app/install_app.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "app/product_identity.h"
#include "engine/installation_detection.h"
#include "i18n/language_state.h"
#include "i18n/startup_language.h"
#include "platform/configuration_check.h"
#include "platform/instance_counter.h"
#include "platform/maker_library.h"
#include "platform/message_box_service.h"
#include "platform/security.h"
#include "platform/system_error.h"
#include "ui/install_dlg.h"

namespace {

// F2: the system's text for `code`, without owner window.
void ShowSystemErrorText(DWORD code) {
  qw::ShowMessageBox(nullptr, qw::SystemErrorText(code), MB_ICONEXCLAMATION);
}

// `folder` with the maker name and the product key appended as components.
std::wstring MakerProductFolder(const wchar_t* base) {
  wchar_t path[MAX_PATH + 1] = {};
  wcsncpy(path, base, MAX_PATH);
  ::PathAppendW(path, qw::ProductIdentity::kMakerName);
  ::PathAppendW(path, qw::InstallContext::ProductKey().c_str());
  return path;
}

}  // namespace

CInstallApp::CInstallApp() : m_context(qw::ApplicationId()) {
  m_icon = static_cast<HICON>(::LoadImageW(Instance(), MAKEINTRESOURCEW(128), IMAGE_ICON, 0, 0,
                                           LR_DEFAULTSIZE | LR_SHARED));
  HICON icon = m_icon;
  qw::SetMessageBoxIconProvider([icon] { return icon; });
}

CInstallApp::~CInstallApp() = default;

CInstallApp* CInstallApp::Get() { return static_cast<CInstallApp*>(AfxGetApp()); }

void CInstallApp::SetTitle(const std::wstring& title) { SetAppName(title); }

bool CInstallApp::InitInstance() {
  if (!qw::ConfigurationCheckPassed()) {
    ShowSystemErrorText(static_cast<DWORD>(E_UNEXPECTED));
    return false;
  }
  if (!m_context.m_appLock.TryAcquire()) {
    ShowSystemErrorText(ERROR_BUSY);
    return false;
  }
  CWinApp::InitInstance();

  qw::SelectStartupLanguage(qw::InstallContext::ProductKey());
  SetTitle(qw::InstallContext::BuildTitle(true));

  if (!qw::IsUserAdministrator()) {
    AfxMessageBox(qw::LoadMessage(1126), MB_ICONEXCLAMATION);
    return false;
  }
  if (!WaitForRunningProduct()) return false;

  const qw::InstallationClassification found = qw::ClassifyInstallation();
  m_context.m_installedState = found.state;
  m_context.m_installedVersion = found.installedVersion;
  TakeOverPreviousInstallation();
  FillDefaultFolders();
  m_context.m_startMenuShortcut = true;
  m_context.m_desktopShortcut = true;
  m_context.m_advancedMode = false;

  CInstallDlg wizard(m_context);
  wizard.DoModal();
  return false;
}

// Returns false when the user cancels while the product still runs.
bool CInstallApp::WaitForRunningProduct() {
  while (qw::CountRunningInstances() > 1) {
    const std::wstring text = qw::FormatMessageText(1127, qw::InstallContext::ProductDisplayName(true));
    if (AfxMessageBox(text, MB_RETRYCANCEL | MB_ICONEXCLAMATION) == IDCANCEL) return false;
  }
  return true;
}

void CInstallApp::TakeOverPreviousInstallation() {
  const qw::InstalledState state = m_context.m_installedState;
  if (state == qw::InstalledState::SameVersion || state == qw::InstalledState::OlderVersion) {
    if (const auto log = qw::FindUninstallLog()) {
      m_context.m_journal.LoadPreviousLog(log);
      m_context.m_installFolder = m_context.m_journal.PreviousInstallFolder();
      m_context.m_startMenuFolder = m_context.m_journal.PreviousStartMenuFolder();
    }
    return;
  }
  m_context.m_journal.LoadPreviousLog(std::nullopt);
}

void CInstallApp::FillDefaultFolders() {
  if (m_context.m_installFolder.empty()) {
    wchar_t programFiles[MAX_PATH + 1] = {};
    ::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles);
    m_context.m_installFolder = MakerProductFolder(programFiles);
  }
  if (m_context.m_startMenuFolder.empty()) {
    wchar_t programs[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT,
                                  programs)) || programs[0] == L'\0') {
      programs[0] = L'\0';
      ::SHGetFolderPathW(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, programs);
    }
    m_context.m_startMenuFolder = MakerProductFolder(programs);
  }
}
