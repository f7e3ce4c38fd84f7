#include "engine/directx_setup.h"

namespace qw {

DirectXRuntimeSetup::DirectXRuntimeSetup(std::wstring folder) : folder_(std::move(folder)) {}

bool RunDirectXStep(DirectXRuntimeSetup& setup, InstalledState /*installedState*/, InstallJournal& /*journal*/,
                    InstallPageServices& /*page*/) {
  // Without a library the step does not apply: nothing to report.
  return setup.loaded();
}

}  // namespace qw
