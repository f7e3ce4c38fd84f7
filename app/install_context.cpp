#include "app/install_context.h"

#include "app/product_identity.h"
#include "i18n/language_state.h"
#include "payload/temporary_folder.h"

namespace qw {

// The lock is created here, not owned; start-up acquires it.
InstallContext::InstallContext(const std::wstring& applicationId)
    : m_appLock(ApplicationLockName(applicationId), false, true),
      m_journal(ProductIdentity::kDisplayName, ProductKey()) {}

// Members are destroyed in reverse order of declaration: the journal first,
// then the folders, the lock and the version text, as the lifecycle needs.
InstallContext::~InstallContext() = default;

InstalledState InstallContext::GetInstalledState(std::wstring* versionText) const {
  if (versionText && (m_installedState == InstalledState::OlderVersion ||
                      m_installedState == InstalledState::NewerVersion)) {
    *versionText = m_installedVersion;
  }
  return m_installedState;
}

std::wstring InstallContext::BuildTitle(bool withProduct) {
  std::wstring title = LoadMessage(msg::kInstallerTitle);
  if (withProduct) title += std::wstring(L" \u2013 ") + ProductIdentity::kDisplayName;
  return title;
}

std::wstring InstallContext::ProductDisplayName(bool nameOnly) {
  return nameOnly ? ProductIdentity::kProductName : ProductIdentity::kDisplayName;
}

std::wstring InstallContext::ProductKey() { return ProductKeyFor(ProductIdentity::kProductId); }

std::error_code InstallContext::CreateTempFolder() {
  return MakeTemporaryFolderPath(m_tempFolder);
}

}  // namespace qw
