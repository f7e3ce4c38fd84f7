#pragma once
// The wizard frame, the installer's only main window: a modal dialog that
// hosts the six pages as child dialogs in one page area, owns Back, Next and
// Exit, decides which page follows which (the quick method skips Path and
// Shortcut), starts the install sequence from the Install page, asks before
// an unfinished installation is abandoned, and re-labels itself and every
// page when the language changes.

#include <array>

#include "app/install_context.h"
#include "platform/handles.h"
#include "ui/dlg_end.h"
#include "ui/dlg_install.h"
#include "ui/dlg_mode.h"
#include "ui/dlg_path.h"
#include "ui/dlg_shortcut.h"
#include "ui/dlg_start.h"
#include "ui/resource_ids.h"

enum WizardPage { kStartPage, kModePage, kPathPage, kShortcutPage, kInstallPage, kEndPage };

class CInstallDlg : public CDialog {
 public:
  enum { IDD = IDD_INSTALL_DIALOG };
  explicit CInstallDlg(qw::InstallContext& context);
  ~CInstallDlg() override;

  // DoModal returns IDOK after a successful installation, else IDCANCEL.

  // Leaves the current page (saving its data) and shows `index`, or the
  // next page in the same direction that the method allows. Returns false,
  // changing nothing, when the current page's data does not validate.
  bool ShowPage(int index);
  // Captions of Back, Next and Exit for the current page and result.
  void UpdateButtons();
  // Re-labels the title, the About item, the buttons and all pages.
  void ApplyLanguage();

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;      // Next
  void OnCancel() override;  // Exit, Escape, the close box
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void OnBack();
  bool ButtonEnabled(int id) const;
  void OnSysCommand(WPARAM command);
  void OnInitMenuPopup(HMENU menu, bool systemMenu);
  void OnGetMinMaxInfo(MINMAXINFO* info);
  void AddAboutItem();
  void RelabelForLanguageChoice();
  void FitPages();
  void FitBanner();

  qw::InstallContext& m_context;
  CDlgStart m_start;
  CDlgMode m_mode;
  CDlgPath m_path;
  CDlgShortcut m_shortcut;
  CDlgInstall m_install;
  CDlgEnd m_end;
  std::array<CWizardPage*, 6> m_pages;
  int m_current = -1;
  // The banner for a display scale other than 100 %, shown by the band's
  // picture control (which does not own it); null at 100 %.
  qw::UniqueBitmap m_banner;
};
