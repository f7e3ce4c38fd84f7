#pragma once
// What the install sequence has reported to the Install page since the
// window last showed it: the log text that arrived, the newest status line
// and the newest bar position, handed out at most once per frame (the log
// lines at a slower pace of their own). The
// reader reports thousands of times a second and under Wine every control
// change is a repaint through X, so the page shows a frame's worth of
// reports at once instead of each one. Holds no window and shows nothing;
// the page does.

#include <chrono>
#include <optional>
#include <string>

namespace qw {

class PacedPageUpdates {
 public:
  using Clock = std::chrono::steady_clock;
  // Between 15 and 30 ms the window still follows the files smoothly, and a
  // frame costs a small share of the time it covers.
  static constexpr Clock::duration kFrameInterval = std::chrono::milliseconds(20);
  // The log at a slower pace: under Wine an append lays out and repaints
  // the log's visible lines, each in many pieces of text, which cost more
  // than the rest of the frame together. Five times a second still reads
  // as a running list, and the status line names every file meanwhile.
  static constexpr Clock::duration kLogInterval = std::chrono::milliseconds(200);

  // Whether a frame carries the log lines that arrived: when the log's
  // interval has passed, or always (the end of a step or of the run).
  enum class Log { WhenDue, Always };

  struct Status {
    std::wstring text;
    bool isPath = false;  // shortened with an ellipsis to fit
    bool operator==(const Status& other) const { return text == other.text && isPath == other.isPath; }
  };

  // What the window has to change; an absent part is as last shown.
  struct Frame {
    std::wstring log;  // appended text, in the order it arrived
    std::optional<Status> status;
    std::optional<int> percent;
    bool Empty() const { return log.empty() && !status && !percent; }
  };

  void AppendLog(const std::wstring& text) { log_ += text; }
  void SetStatus(const std::wstring& text, bool isPath) { status_ = Status{text, isPath}; }
  void SetProgress(int percent) { percent_ = percent; }

  // True when the last frame was taken at least a frame interval before
  // `now` (or none was taken yet).
  bool FrameDue(Clock::time_point now) const;

  // What was reported since the last frame and differs from what the
  // window shows (the log lines only as `log` says), and `now` as the time
  // of this frame.
  Frame TakeFrame(Clock::time_point now, Log log = Log::WhenDue);

  // Forgets what the window shows (the page set its controls itself).
  void Reset();

 private:
  std::wstring log_;
  std::optional<Status> status_;
  std::optional<int> percent_;
  std::optional<Status> shownStatus_;
  std::optional<int> shownPercent_;
  std::optional<Clock::time_point> lastFrame_;
  std::optional<Clock::time_point> lastLog_;
};

}  // namespace qw
