#pragma once
// Wizard page 3 (advanced method): the Start-menu folder, shown relative to
// the Start Menu, and whether Start-menu and desktop shortcuts are made.

#include <string>

#include "ui/resource_ids.h"
#include "ui/wizard_page.h"

class CDlgShortcut : public CWizardPage {
 public:
  enum { IDD = IDD_PAGE_SHORTCUT };
  explicit CDlgShortcut(qw::WizardState& context) : CWizardPage(IDD, context) {}

  void Relabel() override;
  void Stretch(int dx, int dy) override;

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange& dx) override;
  bool OnCommand(WORD id, WORD code, HWND control) override;

 private:
  void UpdateEnabling();
  void OnBrowse();

  int m_desktop = BST_UNCHECKED;
  int m_startMenu = BST_UNCHECKED;
  std::wstring m_relativeFolder;
  std::wstring m_baseFolder;  // the Start Menu folder
};
