#pragma once
// What the wizard's pages work on: the product they name, what start-up
// found, the user's choices and what the install sequence needs and did.
// The application's InstallContext is one (app/install_context.h) and hands
// itself to the wizard as this part, so that the wizard, below the
// application, never sees the application's own state. Used from the
// user-interface thread only; it persists nothing itself.

#include <string>

#include "engine/install_journal.h"
#include "engine/installed_state.h"
#include "engine/product_names.h"
#include "platform/application_lock.h"

namespace qw {

class WizardState {
 public:
  // The application lock is created under `lockName`, not acquired; the
  // journal records for `product`.
  WizardState(const std::wstring& lockName, ProductNames product);
  WizardState(const WizardState&) = delete;
  WizardState& operator=(const WizardState&) = delete;
  ~WizardState();

  // The installed state; `versionText`, when given, receives the installed
  // version for OlderVersion and NewerVersion and is left alone otherwise.
  InstalledState GetInstalledState(std::wstring* versionText = nullptr) const;

  // Declared first, destroyed last: the journal below records with it.
  const ProductNames m_product;
  // Members are destroyed in reverse order of declaration: the journal
  // first, then the folders, the lock and the version text, as the
  // lifecycle needs.
  InstalledState m_installedState = InstalledState::NotInstalled;
  std::wstring m_installedVersion;
  ApplicationLock m_appLock;
  std::wstring m_installFolder;
  std::wstring m_startMenuFolder;
  std::wstring m_tempFolder;
  bool m_startMenuShortcut = true;
  bool m_desktopShortcut = true;
  bool m_advancedMode = false;
  InstallJournal m_journal;
  bool m_installSucceeded = false;
};

}  // namespace qw
