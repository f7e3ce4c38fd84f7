#pragma once
// Wizard page 0: what the installation will do (fresh installation, update,
// reinstallation, or nothing because a newer version is installed), the
// language list and the copyright notice. The list holds the thirteen
// product languages with their native names and flags; choosing one makes
// it the installer's language and re-labels the whole wizard.

#include <windows.h>
#include <commctrl.h>

#include "platform/handles.h"
#include "ui/resource_ids.h"
#include "ui/wizard_page.h"

class CDlgStart : public CWizardPage {
 public:
  enum { IDD = IDD_PAGE_START };
  explicit CDlgStart(qw::WizardState& context) : CWizardPage(IDD, context) {}
  ~CDlgStart() override;

  void Relabel() override;
  void Stretch(int dx, int dy) override;

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange& dx) override;
  bool OnCommand(WORD id, WORD code, HWND control) override;

 private:
  // Fills the list; returns the item of the current language, or -1.
  int FillLanguageList();
  // Makes the dropped-down list as wide as its widest text plus 30 pixels.
  void FitDroppedWidth();
  void OnLanguageChanged();

  HWND m_languageList = nullptr;
  qw::UniqueImageList m_images;  // the flags; the list does not own them
  int m_dpi = 96;                // the screen's, when the flags were loaded
};
