#pragma once
// The hook through which a language change reaches the wizard frame: it
// re-labels the application's main window (title, system menu, buttons and
// pages) in the current language. Nothing happens when there is no main
// window.

void ApplyLanguageToMainWindow();
