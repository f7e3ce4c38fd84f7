#pragma once
// The DirectX runtime setup of one install run: Microsoft's setup library
// ("DSetup.dll", carried in the payload) loaded from the run's temporary
// folder, and the step that lets it install the runtime components. The
// step is left out (no status, no log line, no journal entry) whenever no
// usable library is loaded: missing, not loadable, or reporting a DirectX
// older than 4.09 revision 903.

#include <windows.h>

#include <string>
#include <system_error>

#include "engine/install_journal.h"
#include "engine/install_page_services.h"
#include "engine/installed_state.h"
#include "platform/handles.h"

namespace qw {

class DirectXRuntimeSetup {
 public:
  // Loads the setup library from `folder` and keeps it only when it reports
  // a usable version. Changes nothing on disk or in the registry.
  explicit DirectXRuntimeSetup(std::wstring folder);
  DirectXRuntimeSetup(const DirectXRuntimeSetup&) = delete;
  DirectXRuntimeSetup& operator=(const DirectXRuntimeSetup&) = delete;

  // Whether a usable setup library is loaded.
  bool loaded() const { return module_.valid(); }
  const std::wstring& folder() const { return folder_; }
  HMODULE module() const { return module_.get(); }
  // Releases the library.
  void Unload() { module_.reset(); }

 private:
  std::wstring folder_;
  UniqueModule module_;
};

// The DirectX step of the install sequence. Does nothing when `setup` has
// no library, or (unless this is a reinstallation of the same version) when
// the previous installation's log says the setup was done. Otherwise
// records the run, shows message 1131, lets the library install (its
// progress callbacks pump the page's messages) and ends the log line with
// "OK" or "Failed". Never makes the installation fail; releases the
// library in every case. Returns empty when the step was left out or the
// setup succeeded; ERROR_PROC_NOT_FOUND when the library lacks the setup's
// functions, ERROR_INSTALL_FAILURE when the setup failed.
[[nodiscard]] std::error_code RunDirectXStep(DirectXRuntimeSetup& setup, InstalledState installedState,
                                             InstallJournal& journal, InstallPageServices& page);

}  // namespace qw
