#include "app/install_app.h"

#include "app/default_folders.h"
#include "app/interrupted_run.h"
#include "app/previous_installation.h"
#include "app/product_identity.h"
#include "engine/installation_detection.h"
#include "engine/uninstall_key.h"
#include "i18n/language_state.h"
#include "i18n/startup_language.h"
#include "platform/configuration_check.h"
#include "platform/instance_counter.h"
#include "platform/maker_library.h"
#include "platform/message_box_service.h"
#include "platform/security.h"
#include "platform/system_error.h"
#include "ui/resource_ids.h"
#include "ui/install_dlg.h"

namespace {

// A refusal before the language is known: the system's text for `code`,
// without owner window.
void ShowSystemErrorText(DWORD code) {
  qw::ShowMessageBox(nullptr, qw::SystemErrorText(code), MB_ICONEXCLAMATION);
}

}  // namespace

CInstallApp::CInstallApp() : m_context(qw::ApplicationId()) {
  m_icon = static_cast<HICON>(::LoadImageW(Instance(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 0, 0,
                                           LR_SHARED));  // at the resource's own size
  HICON icon = m_icon;
  qw::SetMessageBoxIconProvider([icon] { return icon; });
}

CInstallApp::~CInstallApp() = default;

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

  qw::SelectStartupLanguage(qw::UninstallKeyPath(qw::InstallContext::ProductKey()));
  SetAppName(qw::InstallContext::BuildTitle(true));

  if (!qw::IsUserAdministrator()) {
    AfxMessageBox(qw::LoadMessage(qw::msg::kNeedAdministrator), MB_ICONEXCLAMATION);
    return false;
  }
  if (!WaitForRunningProduct()) return false;
  // What an earlier run left half done is undone before anything is judged
  // from the machine's state.
  qw::UndoInterruptedInstallation(m_context.m_appLock);

  const qw::InstallationClassification found = qw::ClassifyInstallation(
      qw::InstallContext::ProductKey(), qw::ProductIdentity::kReleaseFileVersion);
  m_context.m_installedState = found.state;
  m_context.m_installedVersion = found.installedVersion;
  TakeOverPreviousInstallation();
  FillDefaultFolders();
  m_context.m_startMenuShortcut = true;
  m_context.m_desktopShortcut = true;
  m_context.m_advancedMode = false;

  CInstallDlg wizard(m_context);
  if (wizard.DoModal() == -1) {
    // The wizard's window could not be made: say so rather than end unseen.
    const DWORD error = ::GetLastError();
    ShowSystemErrorText(error != ERROR_SUCCESS ? error : static_cast<DWORD>(E_FAIL));
  }
  return false;
}

// Returns false when the user cancels while the product still runs.
bool CInstallApp::WaitForRunningProduct() {
  while (qw::CountRunningInstances() > 1) {
    const std::wstring text = qw::FormatMessageText(qw::msg::kCloseProduct, qw::InstallContext::ProductDisplayName(true));
    if (AfxMessageBox(text, MB_RETRYCANCEL | MB_ICONEXCLAMATION) == IDCANCEL) return false;
  }
  return true;
}

// An earlier installation of this or an older version: its log goes into
// the journal and its folders become the proposed ones.
void CInstallApp::TakeOverPreviousInstallation() {
  qw::TakeOverPreviousInstallation(m_context, [] { return qw::FindUninstallLog(qw::InstallContext::ProductKey()); });
}

void CInstallApp::FillDefaultFolders() {
  if (m_context.m_installFolder.empty()) m_context.m_installFolder = qw::DefaultInstallFolder();
  if (m_context.m_startMenuFolder.empty()) m_context.m_startMenuFolder = qw::DefaultStartMenuFolder();
}
