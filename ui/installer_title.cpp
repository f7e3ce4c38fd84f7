#include "ui/installer_title.h"

#include "i18n/language_state.h"

namespace qw {

std::wstring InstallerTitle() { return LoadMessage(msg::kInstallerTitle); }

std::wstring InstallerTitle(const std::wstring& productDisplayName) {
  return InstallerTitle() + L" \u2013 " + productDisplayName;
}

}  // namespace qw
