#include "i18n/select_language.h"

#include "app/install_context.h"
#include "ui/apply_language.h"
#include "ui/win_app.h"

namespace qw {

namespace {
constexpr MessageId kInstallerStillInEnglish = msg::kInstallerInEnglish;
}  // namespace

void SelectLanguage(LanguageIndex index) {
  SetLanguage(index);
  if (!IsInstallerLanguage(index)) {
    // Still in the chosen language, whose lookup reads English.
    AfxMessageBox(FormatMessageText(kInstallerStillInEnglish, InstallContext::ProductDisplayName(true)),
                  MB_ICONINFORMATION);
    SetLanguage(kEnglish);
  }
  if (CWinApp* app = AfxGetApp()) app->SetAppName(InstallContext::BuildTitle(true));
  ApplyLanguageToMainWindow();
}

}  // namespace qw
