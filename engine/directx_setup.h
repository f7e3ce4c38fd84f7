#pragma once
// The DirectX runtime setup of one install run: Microsoft's setup library
// loaded from the run's temporary folder, and the step that lets it install
// the runtime components. The step is left out (no status, no log line, no
// journal entry) whenever no usable library is loaded.
//
// This build carries no usable setup library: loading always gives no
// module, so the step never applies.

#include <windows.h>

#include <string>

#include "engine/install_journal.h"
#include "engine/install_page_services.h"
#include "engine/installed_state.h"

namespace qw {

class DirectXRuntimeSetup {
 public:
  // Looks for a usable setup library in `folder`. Changes nothing on disk
  // or in the registry.
  explicit DirectXRuntimeSetup(std::wstring folder);
  DirectXRuntimeSetup(const DirectXRuntimeSetup&) = delete;
  DirectXRuntimeSetup& operator=(const DirectXRuntimeSetup&) = delete;

  // Whether a usable setup library is loaded.
  bool loaded() const { return module_ != nullptr; }
  const std::wstring& folder() const { return folder_; }

 private:
  std::wstring folder_;
  HMODULE module_ = nullptr;
};

// The DirectX step of the install sequence. Does nothing when `setup` has
// no library. Never makes the installation fail; returns whether the setup
// ran and succeeded.
bool RunDirectXStep(DirectXRuntimeSetup& setup, InstalledState installedState, InstallJournal& journal,
                    InstallPageServices& page);

}  // namespace qw
