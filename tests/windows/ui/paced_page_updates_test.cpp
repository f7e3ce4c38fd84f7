// What the Install page shows per frame: every log line in order, the
// newest status and bar position only when they changed, frames no closer
// together than the interval, and the log at its own slower pace.
#include "ui/paced_page_updates.h"

#include <gtest/gtest.h>

namespace qw {
namespace {

using Clock = PacedPageUpdates::Clock;

TEST(PacedPageUpdates, AFrameCarriesEveryLogLineAndOnlyTheNewestChanges) {
  PacedPageUpdates updates;
  const Clock::time_point t0 = Clock::now();
  updates.AppendLog(L"Copying File  a...");
  updates.SetStatus(L"Copying File  a...", true);
  updates.SetProgress(3);
  updates.AppendLog(L"OK\r\n");
  updates.AppendLog(L"Copying File  b...");
  updates.SetStatus(L"Copying File  b...", true);
  updates.SetProgress(4);
  PacedPageUpdates::Frame frame = updates.TakeFrame(t0);
  EXPECT_EQ(frame.log, L"Copying File  a...OK\r\nCopying File  b...");
  ASSERT_TRUE(frame.status);
  EXPECT_EQ(frame.status->text, L"Copying File  b...");
  EXPECT_TRUE(frame.status->isPath);
  EXPECT_EQ(frame.percent, 4);

  // The same status and position again change nothing on the window.
  updates.SetStatus(L"Copying File  b...", true);
  updates.SetProgress(4);
  frame = updates.TakeFrame(t0 + PacedPageUpdates::kFrameInterval);
  EXPECT_TRUE(frame.Empty());

  // The same text as a plain status is a change (it is not shortened).
  updates.SetStatus(L"Copying File  b...", false);
  frame = updates.TakeFrame(t0 + 2 * PacedPageUpdates::kFrameInterval);
  ASSERT_TRUE(frame.status);
  EXPECT_FALSE(frame.status->isPath);
  EXPECT_FALSE(frame.percent);

  // After a reset the window is taken to show nothing of the run.
  updates.Reset();
  updates.SetProgress(4);
  EXPECT_EQ(updates.TakeFrame(t0).percent, 4);
}

TEST(PacedPageUpdates, LogLinesWaitForTheLogsIntervalUnlessAFrameTakesThemAll) {
  PacedPageUpdates updates;
  const Clock::time_point t0 = Clock::now();
  const Clock::duration frame = PacedPageUpdates::kFrameInterval;
  ASSERT_LT(frame, PacedPageUpdates::kLogInterval);
  updates.AppendLog(L"first\r\n");
  EXPECT_EQ(updates.TakeFrame(t0).log, L"first\r\n") << "the first lines show at once";

  // Lines that arrive within the log's interval wait, in order, while the
  // status line goes on changing frame by frame.
  updates.AppendLog(L"second\r\n");
  updates.SetStatus(L"second", true);
  PacedPageUpdates::Frame taken = updates.TakeFrame(t0 + frame);
  EXPECT_TRUE(taken.log.empty());
  EXPECT_TRUE(taken.status);
  updates.AppendLog(L"third\r\n");
  EXPECT_TRUE(updates.TakeFrame(t0 + 2 * frame).log.empty());
  EXPECT_EQ(updates.TakeFrame(t0 + PacedPageUpdates::kLogInterval).log, L"second\r\nthird\r\n");

  // The end of a step takes every line whatever the time.
  updates.AppendLog(L"fourth\r\n");
  EXPECT_EQ(updates.TakeFrame(t0 + PacedPageUpdates::kLogInterval + frame, PacedPageUpdates::Log::Always).log,
            L"fourth\r\n");

  // A reset forgets the last log frame with the rest.
  updates.Reset();
  updates.AppendLog(L"fifth\r\n");
  EXPECT_EQ(updates.TakeFrame(t0 + PacedPageUpdates::kLogInterval + 2 * frame).log, L"fifth\r\n");
}

TEST(PacedPageUpdates, FramesAreAtLeastAnIntervalApart) {
  PacedPageUpdates updates;
  const Clock::time_point t0 = Clock::now();
  EXPECT_TRUE(updates.FrameDue(t0)) << "the first frame is due at once";
  updates.TakeFrame(t0);
  EXPECT_FALSE(updates.FrameDue(t0));
  EXPECT_FALSE(updates.FrameDue(t0 + PacedPageUpdates::kFrameInterval - std::chrono::milliseconds(1)));
  EXPECT_TRUE(updates.FrameDue(t0 + PacedPageUpdates::kFrameInterval));
  updates.Reset();
  EXPECT_TRUE(updates.FrameDue(t0));
}

}  // namespace
}  // namespace qw
