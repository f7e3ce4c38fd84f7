#pragma once
// Wizard page 1: the installation method, quick (the default: Path and
// Shortcut pages are skipped) or advanced.

#include "ui/resource_ids.h"
#include "ui/wizard_page.h"

class CDlgMode : public CWizardPage {
 public:
  enum { IDD = IDD_PAGE_MODE };
  explicit CDlgMode(qw::WizardState& context) : CWizardPage(IDD, context) {}

  void Relabel() override;
  void Stretch(int dx, int dy) override;

 protected:
  void DoDataExchange(CDataExchange& dx) override;

 private:
  int m_method = -1;  // 0 quick, 1 advanced
};
