#pragma once
// Wizard page 2 (advanced method): the installation folder. An existing
// installation keeps its folder: the edit is then read-only. Browse opens
// the shell's folder dialog, which appends the product key to the choice.

#include <string>

#include "ui/resource_ids.h"
#include "ui/wizard_page.h"

class CDlgPath : public CWizardPage {
 public:
  enum { IDD = IDD_PAGE_PATH };
  explicit CDlgPath(qw::WizardState& context) : CWizardPage(IDD, context) {}

  void Relabel() override;
  void Stretch(int dx, int dy) override;

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange& dx) override;
  bool OnCommand(WORD id, WORD code, HWND control) override;

 private:
  void OnBrowse();

  std::wstring m_folder;
};
