#pragma once
// The request of the language selection to the wizard frame: re-label the
// title, the About item, the buttons and every page in the current
// language. Does nothing when no wizard frame is the main window.

void ApplyLanguageToMainWindow();
