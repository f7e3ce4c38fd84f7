#pragma once
// Wizard page 0: what the installation will do (fresh installation, update,
// reinstallation, or nothing because a newer version is installed), the
// language list and the copyright notice. The list holds the thirteen
// product languages with their native names and flags; choosing one makes
// it the installer's language and re-labels the whole wizard through the
// callback the frame gives the page.

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <utility>

#include "platform/handles.h"
#include "ui/resource_ids.h"
#include "ui/wizard_page.h"

class CDlgStart : public CWizardPage {
 public:
  enum { IDD = IDD_PAGE_START };
  // `relabelWizard` shows the title and every page in the language made
  // current by a choice in the list.
  CDlgStart(qw::InstallContext& context, std::function<void()> relabelWizard)
      : CWizardPage(IDD, context), m_relabelWizard(std::move(relabelWizard)) {}
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

  std::function<void()> m_relabelWizard;
  HWND m_languageList = nullptr;
  qw::UniqueImageList m_images;  // the flags; the list does not own them
  int m_dpi = 96;                // the screen's, when the flags were loaded
};
