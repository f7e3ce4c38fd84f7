#pragma once
// Wizard page 5, shown after a successful installation.

#include "ui/resource_ids.h"
#include "ui/wizard_page.h"

class CDlgEnd : public CWizardPage {
 public:
  enum { IDD = IDD_PAGE_END };
  explicit CDlgEnd(qw::WizardState& context) : CWizardPage(IDD, context) {}

  void Relabel() override;
  void Stretch(int dx, int dy) override;

 protected:
  void DoDataExchange(CDataExchange& dx) override;
};
