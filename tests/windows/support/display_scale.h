#pragma once
// Test scaffolding: programs started at another display scale, and a test
// process that sees their windows in true pixels. Test support only.
//
// Wine, like Windows before per-monitor scaling, gives a DPI-aware process
// the DPI of HKCU\Control Panel\Desktop "LogPixels" as the value stood when
// the process started. Every process of the prefix reads that value, so a
// test sets it only for the moment one program starts, alone in its prefix
// (a lane of its own, where no other test starts a program), and puts it
// back at once.

#include <windows.h>

#include <optional>
#include <string>

#include "platform_probes.h"
#include "registry_value_guard.h"

namespace qw::test {

class DisplayScaleSetting {
 public:
  // Sets LogPixels to `dpi`; `probe` is the dpi_probe program, started at
  // the end to bring Wine's font settings back to the restored DPI.
  DisplayScaleSetting(std::wstring probe, int dpi);
  // Puts LogPixels back as it was (removed when it was missing), then runs
  // the probe once: Wine's gdi32 notes the DPI of the last process started
  // in HKCU\Software\Wine\Fonts and rewrites the system fonts' keys when it
  // changes, which a machine comparison of a later test would otherwise see.
  ~DisplayScaleSetting();
  DisplayScaleSetting(const DisplayScaleSetting&) = delete;
  DisplayScaleSetting& operator=(const DisplayScaleSetting&) = delete;

  // Whether the value could be set.
  bool ok() const { return ok_; }

 private:
  std::wstring probe_;
  std::optional<RegistryValueGuard> guard_;
  bool ok_ = false;
};

// Whether a program started with LogPixels set gets that DPI: works when
// `probe` (the dpi_probe program) started at `dpi` reports it.
ProbeResult ProbeDisplayScale(const std::wstring& probe, int dpi);

// Makes this thread see every window in the pixels of the screen (per-
// monitor DPI awareness): Wine otherwise maps the rectangles of a window of
// another DPI into this process's own. False when the system has no such
// setting (then nothing is mapped either on a system that old).
bool SeeWindowsInScreenPixels();

}  // namespace qw::test
