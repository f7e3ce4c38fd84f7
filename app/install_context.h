#pragma once
// The installer's one state record: what start-up found, what the user
// chose in the wizard and what the install sequence did. Held by the
// application object for the whole process and used from the user-interface
// thread only. It persists nothing itself.

#include <string>
#include <system_error>

#include "engine/install_journal.h"
#include "engine/installed_state.h"
#include "platform/application_lock.h"

namespace qw {

class InstallContext {
 public:
  explicit InstallContext(const std::wstring& applicationId);
  InstallContext(const InstallContext&) = delete;
  InstallContext& operator=(const InstallContext&) = delete;
  ~InstallContext();

  // The installed state; `versionText`, when given, receives the installed
  // version for OlderVersion and NewerVersion and is left alone otherwise.
  InstalledState GetInstalledState(std::wstring* versionText = nullptr) const;

  // Message 1000 in the current language, with " – " and the product display
  // name appended when `withProduct` is true.
  static std::wstring BuildTitle(bool withProduct);
  // "Meridel" when `nameOnly`, otherwise "Meridel 6.07c".
  static std::wstring ProductDisplayName(bool nameOnly);
  // "Meridel 6".
  static std::wstring ProductKey();

  // Chooses a new temporary working folder for this run (not created on
  // disk). On failure leaves m_tempFolder as it was and returns why
  // (payload/temporary_folder.h).
  std::error_code CreateTempFolder();

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
