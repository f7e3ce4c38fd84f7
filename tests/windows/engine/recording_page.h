#pragma once
// A stand-in for the Install page that records what the install sequence
// reports: the log as one text (rule lines as "<rule>\r\n"), every status,
// every progress value and how often messages were pumped (and how often
// at once, at the end of a step). Test support.

#include <string>
#include <vector>

#include "engine/install_page_services.h"

namespace qw::test {

class RecordingPage : public InstallPageServices {
 public:
  void SetStatus(const std::wstring& text) override { statuses.push_back(text); }
  void SetStatusPath(const std::wstring& text) override { statuses.push_back(text); }
  void AppendLog(const std::wstring& text, bool rule = false) override;
  void ShowProgress() override { progressShown = true; }
  void SetProgress(int percent) override { progress.push_back(percent); }
  void PumpMessages() override { ++pumps; }
  void PumpMessagesNow() override { ++pumps, ++stepEndPumps; }
  HWND OwnerWindow() const override { return nullptr; }

  std::wstring Status() const { return statuses.empty() ? std::wstring() : statuses.back(); }
  // The log's lines (without their "\r\n"); an unfinished last line too.
  std::vector<std::wstring> LogLines() const;

  std::wstring log;
  std::vector<std::wstring> statuses;
  std::vector<int> progress;
  bool progressShown = false;
  int pumps = 0;
  int stepEndPumps = 0;  // those that may not wait for a frame
};

}  // namespace qw::test
