#pragma once
// What the install sequence needs from the page it reports to: the status
// line, the log, the progress bar, and a chance for the window to repaint
// while the run holds the user-interface thread. The wizard's Install page
// implements it; tests record the calls. The engine knows nothing else of
// the user interface.

#include <windows.h>

#include <string>

namespace qw {

class InstallPageServices {
 public:
  virtual ~InstallPageServices() = default;

  virtual void SetStatus(const std::wstring& text) = 0;
  // Shows `text` (a line naming a path), shortened to fit the status line.
  virtual void SetStatusPath(const std::wstring& text) = 0;
  // Appends `text` as it is (the caller ends lines with "\r\n"); an empty
  // text or `rule` gives a dashed line as wide as the log.
  virtual void AppendLog(const std::wstring& text, bool rule = false) = 0;
  virtual void ShowProgress() = 0;
  virtual void SetProgress(int percent) = 0;
  // Lets the window show what was reported and process the messages that
  // are waiting, then returns. Called after every report: the page may do
  // this at a frame rate of its own and return at once in between.
  virtual void PumpMessages() = 0;
  // The same at once, whatever the frame rate: the end of a step.
  virtual void PumpMessagesNow() = 0;
  // The window that owns any window a step shows (the setup of a runtime);
  // null when there is none.
  virtual HWND OwnerWindow() const = 0;
};

}  // namespace qw
