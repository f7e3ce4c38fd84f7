#pragma once
// The contract between the wizard frame and its pages: a page is a child
// dialog that exchanges data with the installer context (UpdateData), sets
// its texts in the current language (Relabel) and widens its controls when
// the frame gives it a larger rectangle than its template (Stretch).

#include "app/install_context.h"
#include "ui/dialog.h"

class CWizardPage : public CDialog {
 public:
  CWizardPage(UINT templateId, qw::InstallContext& context) : CDialog(templateId), m_context(context) {}

  // Sets every text of the page from the message catalogue.
  virtual void Relabel() = 0;
  // Moves the page's controls for a page rectangle larger (or smaller, with
  // negative values) than the template by `extraWidth` x `extraHeight` pixels.
  virtual void Stretch(int extraWidth, int extraHeight) = 0;

 protected:
  qw::InstallContext& m_context;
};
