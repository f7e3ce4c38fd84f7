#include "ui/wizard_state.h"

#include <utility>

namespace qw {

WizardState::WizardState(const std::wstring& lockName, ProductNames product)
    : m_product(std::move(product)),
      m_appLock(lockName, false, true),
      m_journal(m_product.displayName, m_product.key) {}

WizardState::~WizardState() = default;

InstalledState WizardState::GetInstalledState(std::wstring* versionText) const {
  if (versionText && (m_installedState == InstalledState::OlderVersion ||
                      m_installedState == InstalledState::NewerVersion)) {
    *versionText = m_installedVersion;
  }
  return m_installedState;
}

}  // namespace qw
