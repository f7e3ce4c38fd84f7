#pragma once
// The language choice of the Start page: makes the chosen language current
// (English when the installer has no texts in it, after the user was told)
// and has the wizard re-labelled. It does not record anything: the install
// sequence records the current language later.
//
// The telling and the re-labelling belong to the wizard above this layer,
// which passes them with each choice; without them the choice only changes
// the current language.

#include <functional>

#include "i18n/language_state.h"

namespace qw {

struct LanguageChoiceHandlers {
  // Tells the user that the installer runs in English (a modal message);
  // called while the chosen language is still current.
  std::function<void()> announceEnglish;
  // Shows the title and every page in the language now current.
  std::function<void()> relabel;
};

// Empty handlers are skipped.
void SelectLanguage(LanguageIndex index, const LanguageChoiceHandlers& handlers);

}  // namespace qw
