#include "ui/paced_page_updates.h"

namespace qw {

bool PacedPageUpdates::FrameDue(Clock::time_point now) const {
  return !lastFrame_ || now - *lastFrame_ >= kFrameInterval;
}

PacedPageUpdates::Frame PacedPageUpdates::TakeFrame(Clock::time_point now, Log log) {
  Frame frame;
  if (!log_.empty() && (log == Log::Always || !lastLog_ || now - *lastLog_ >= kLogInterval)) {
    frame.log.swap(log_);
    lastLog_ = now;
  }
  if (status_ && !(status_ == shownStatus_)) frame.status = shownStatus_ = status_;
  if (percent_ && !(percent_ == shownPercent_)) frame.percent = shownPercent_ = percent_;
  status_.reset();
  percent_.reset();
  lastFrame_ = now;
  return frame;
}

void PacedPageUpdates::Reset() {
  log_.clear();
  status_.reset();
  percent_.reset();
  shownStatus_.reset();
  shownPercent_.reset();
  lastFrame_.reset();
  lastLog_.reset();
}

}  // namespace qw
