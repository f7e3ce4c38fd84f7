#pragma once
// The contract between the wizard frame and its pages: a page is a child
// dialog that exchanges data with the wizard state, the installer context as
// the wizard sees it (UpdateData), sets its texts in the current language
// (Relabel) and widens its controls when the frame gives it a larger
// rectangle than its template (Stretch).

#include "ui/dialog.h"
#include "ui/wizard_state.h"

class CWizardPage : public CDialog {
 public:
  CWizardPage(UINT templateId, qw::WizardState& context) : CDialog(templateId), m_context(context) {}

  // Sets every text of the page from the message catalogue.
  virtual void Relabel() = 0;
  // Moves the page's controls for a page rectangle larger (or smaller, with
  // negative values) than the template by `extraWidth` x `extraHeight` pixels.
  virtual void Stretch(int extraWidth, int extraHeight) = 0;

 protected:
  qw::WizardState& m_context;
};
