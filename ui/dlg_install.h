#pragma once
// Wizard page 4: the options summary before the run, and the log, status
// line and progress bar through which the install sequence reports while it
// runs in the user-interface thread. The page reports nothing by itself: the
// texts of a run are the install sequence's.

#include <string>

#include "ui/resource_ids.h"
#include "ui/wizard_page.h"

class CDlgInstall : public CWizardPage {
 public:
  enum { IDD = IDD_PAGE_INSTALL };
  explicit CDlgInstall(qw::InstallContext& context) : CWizardPage(IDD, context) {}

  void Relabel() override;
  void Stretch(int dx, int dy) override;

  // The install sequence. Returns whether the installation succeeded.
  bool RunInstallation();

  // Services for the install sequence.
  void SetStatus(const std::wstring& text);
  // Shows a path, shortened with an ellipsis to fit the status line.
  void SetStatusPath(const std::wstring& path);
  // Appends `text` (whose lines the caller ends with "\r\n") to the log; an
  // empty text or `rule` makes a dashed line as wide as the log, with the
  // text centred in it.
  void AppendLog(const std::wstring& text, bool rule = false);
  void ShowProgress();
  void SetProgress(int percent);

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange& dx) override;

 private:
  std::wstring RuleLine(const std::wstring& text) const;
  void WriteOptionsSummary();

  HWND m_log = nullptr;
  HWND m_progress = nullptr;
  std::wstring m_programPath;      // the installed main program
  std::wstring m_uninstallerPath;  // the installed uninstaller
};
