#include "i18n/select_language.h"

#include <utility>

namespace qw {

namespace {

LanguageChoiceHandlers& Handlers() {
  static LanguageChoiceHandlers handlers;
  return handlers;
}

}  // namespace

void SetLanguageChoiceHandlers(LanguageChoiceHandlers handlers) { Handlers() = std::move(handlers); }

void SelectLanguage(LanguageIndex index) {
  SetLanguage(index);
  // Copies: a handler may replace the registration (a wizard that closes).
  const LanguageChoiceHandlers handlers = Handlers();
  if (!IsInstallerLanguage(index)) {
    // Still in the chosen language, whose lookup reads English.
    if (handlers.announceEnglish) handlers.announceEnglish();
    SetLanguage(kEnglish);
  }
  if (handlers.relabel) handlers.relabel();
}

}  // namespace qw
