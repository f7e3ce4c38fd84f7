#pragma once
// The installer's one state record: what start-up found, what the user
// chose in the wizard and what the install sequence did. Held by the
// application object for the whole process and used from the user-interface
// thread only. It persists nothing itself. The wizard works on it as its
// WizardState (ui/wizard_state.h), which holds every member; this class adds
// what only the application knows: the product's identity and the
// temporary folder.

#include <string>
#include <system_error>

#include "ui/wizard_state.h"

namespace qw {

class InstallContext : public WizardState {
 public:
  explicit InstallContext(const std::wstring& applicationId);

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
};

}  // namespace qw
