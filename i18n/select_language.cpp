// Provisional: the language selection, until the catalogue lands.
#include "i18n/select_language.h"

#include "app/install_context.h"
#include "ui/apply_language.h"
#include "ui/win_app.h"

namespace qw {

void SelectLanguage(LanguageIndex index) {
  SetLanguage(index);
  if (!IsInstallerLanguage(index)) {
    AfxMessageBox(FormatMessageText(1129, InstallContext::ProductDisplayName(true)),
                  MB_ICONINFORMATION);
    SetLanguage(kEnglish);
  }
  if (CWinApp* app = AfxGetApp()) app->SetAppName(InstallContext::BuildTitle(true));
  ApplyLanguageToMainWindow();
}

}  // namespace qw
