#pragma once
// Wizard page 0: what the installation will do (fresh installation, update,
// reinstallation, or nothing because a newer version is installed), the
// language list and the copyright notice.

#include "ui/resource_ids.h"
#include "ui/wizard_page.h"

class CDlgStart : public CWizardPage {
 public:
  enum { IDD = IDD_PAGE_START };
  explicit CDlgStart(qw::InstallContext& context) : CWizardPage(IDD, context) {}

  void Relabel() override;
  void Stretch(int dx, int dy) override;

 protected:
  void DoDataExchange(CDataExchange& dx) override;

 private:
  HWND m_languageList = nullptr;
};
