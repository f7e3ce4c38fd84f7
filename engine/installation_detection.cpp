// Provisional: nothing is installed, until the detection lands.
//
// Test hook of this provisional version only: the environment variable
// "QW_TEST_INSTALLED_STATE" set to "1" (same version), "2" (older) or "-1"
// (newer), optionally followed by "|" and the installed version text,
// makes the installer believe that state, so that the wizard's texts for
// each state can be tested. The real detection does not read it.
#include "engine/installation_detection.h"

#include <windows.h>

namespace qw {

namespace {

InstallationClassification ClassificationForTests() {
  wchar_t value[512] = {};
  const DWORD length = ::GetEnvironmentVariableW(L"QW_TEST_INSTALLED_STATE", value, 512);
  if (length == 0 || length >= 512) return {};
  const std::wstring text(value, length);
  const std::size_t bar = text.find(L'|');
  const std::wstring state = text.substr(0, bar);
  InstallationClassification found;
  if (state == L"1") found.state = InstalledState::SameVersion;
  else if (state == L"2") found.state = InstalledState::OlderVersion;
  else if (state == L"-1") found.state = InstalledState::NewerVersion;
  else return {};
  if (bar != std::wstring::npos && found.state != InstalledState::SameVersion) {
    found.installedVersion = text.substr(bar + 1);
  }
  return found;
}

}  // namespace

InstallationClassification ClassifyInstallation() { return ClassificationForTests(); }
std::optional<std::wstring> FindUninstallLog() { return std::nullopt; }

}  // namespace qw
