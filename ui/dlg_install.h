#pragma once
// Wizard page 4: the options summary before the run, and the log, status
// line and progress bar through which the install sequence reports while it
// runs in the user-interface thread. The page reports nothing by itself: the
// texts of a run are the install sequence's.

#include <string>
#include <utility>

#include "engine/install_page_services.h"
#include "ui/dialog.h"
#include "ui/paced_page_updates.h"
#include "ui/resource_ids.h"
#include "ui/wizard_page.h"

class CDlgInstall : public CWizardPage, public qw::InstallPageServices {
 public:
  enum { IDD = IDD_PAGE_INSTALL };
  // `preTranslate` is offered every message that the page pumps during a
  // run (the frame's dialog keys, so that Tab moves the focus then too).
  CDlgInstall(qw::WizardState& context, MessagePreTranslation preTranslate)
      : CWizardPage(IDD, context), m_preTranslate(std::move(preTranslate)) {}

  void Relabel() override;
  void Stretch(int dx, int dy) override;

  // Runs the install sequence of the engine with the context's folders and
  // choices, reporting through this page. Returns whether the installation
  // succeeded.
  bool RunInstallation();

  // Services for the install sequence. While it runs, the status line and
  // the bar change once per frame (PumpMessages), not per call, and the
  // log at the slower pace of its own.
  void SetStatus(const std::wstring& text) override;
  // Shows a path, shortened with an ellipsis to fit the status line.
  void SetStatusPath(const std::wstring& path) override;
  // Appends `text` (whose lines the caller ends with "\r\n") to the log; an
  // empty text or `rule` makes a dashed line as wide as the log, with the
  // text centred in it.
  void AppendLog(const std::wstring& text, bool rule = false) override;
  void ShowProgress() override;
  void SetProgress(int percent) override;
  // Once a frame interval has passed since the last frame: shows what was
  // reported since then and dispatches the thread's waiting messages, each
  // offered to the pre-translation first; a WM_QUIT is posted again for the
  // loop that owns it. Otherwise nothing.
  void PumpMessages() override;
  // The same whatever the time, with every log line that arrived (the end
  // of a step).
  void PumpMessagesNow() override;
  HWND OwnerWindow() const override { return m_hWnd; }

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange& dx) override;

 private:
  std::wstring RuleLine(const std::wstring& text) const;
  void ShowStatus(const qw::PacedPageUpdates::Status& status);
  void ShowProgressPosition(int percent);
  // Appends to the log control: one replacement, one scroll.
  void ShowLogText(const std::wstring& text);
  void ShowFrame(qw::PacedPageUpdates::Log log);
  void DispatchWaitingMessages();
  void WriteOptionsSummary();

  HWND m_log = nullptr;
  HWND m_progress = nullptr;
  std::wstring m_programPath;      // the installed main program
  std::wstring m_uninstallerPath;  // the installed uninstaller
  bool m_pacing = false;           // a run is reporting: updates wait for the next frame
  qw::PacedPageUpdates m_updates;
  const MessagePreTranslation m_preTranslate;
};
