#include "i18n/select_language.h"

namespace qw {

void SelectLanguage(LanguageIndex index, const LanguageChoiceHandlers& handlers) {
  SetLanguage(index);
  if (!IsInstallerLanguage(index)) {
    // Still in the chosen language, whose lookup reads English.
    if (handlers.announceEnglish) handlers.announceEnglish();
    SetLanguage(kEnglish);
  }
  if (handlers.relabel) handlers.relabel();
}

}  // namespace qw
