#include "engine/installation_detection.h"

#include <windows.h>

#include <boost/filesystem/operations.hpp>
#include <boost/filesystem/path.hpp>

#include <mutex>
#include <system_error>

#include "engine/product_registry.h"
#include "engine/registry_string.h"
#include "engine/uninstall_key.h"
#include "engine/uninstall_log_format.h"
#include "i18n/language_state.h"
#include "platform/file_version_info.h"

namespace qw {

namespace {

// A path exists when the file system reports it; an error asking counts
// as missing.
bool PathExists(const std::wstring& path) {
  boost::system::error_code error;
  return !path.empty() && boost::filesystem::exists(boost::filesystem::path(path), error) && !error;
}

// `folder` joined with the log's file name; empty for an empty folder.
std::wstring LogBeside(const boost::filesystem::path& file) {
  const boost::filesystem::path folder = file.parent_path();
  if (folder.empty()) return std::wstring();
  return (folder / kUninstallLogFileName).wstring();
}

std::wstring OwnExecutable() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::wstring();
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

std::wstring ReadInstalledProgram(const std::wstring& productKey) {
  try {
    const std::optional<std::wstring> program =
        ReadRegistryString(HKEY_LOCAL_MACHINE, MakerKeyPath(), ProductPathValueName(productKey));
    if (program && PathExists(*program)) return *program;
  } catch (const std::system_error&) {
    // Unreadable records mean no installation, as a missing one does.
  }
  return std::wstring();
}

std::wstring FindInstalledProgram(const std::wstring& productKey) {
  static std::once_flag once;
  static std::wstring program;
  std::call_once(once, [&productKey] { program = ReadInstalledProgram(productKey); });
  return program;
}

InstallationClassification ClassifyProgram(const std::wstring& program,
                                           std::uint64_t releaseFileVersion) {
  InstallationClassification found;
  if (program.empty()) return found;
  const FileVersionInfo info = FileVersionInfo::FromFile(program);
  const std::uint64_t version = info.FixedFileVersion();
  if (version == 0) {
    found.state = InstalledState::SameVersion;
  } else if (version > releaseFileVersion) {
    found.state = InstalledState::NewerVersion;
    found.installedVersion = info.DisplayName(CurrentLcid());
  } else if (version == releaseFileVersion) {
    found.state = InstalledState::SameVersion;
  } else {
    found.state = InstalledState::OlderVersion;
    found.installedVersion = info.DisplayName(CurrentLcid());
  }
  return found;
}

InstallationClassification ClassifyInstallation(const std::wstring& productKey,
                                                std::uint64_t releaseFileVersion) {
  return ClassifyProgram(FindInstalledProgram(productKey), releaseFileVersion);
}

std::optional<std::wstring> FindUninstallLog(const std::wstring& productKey) {
  std::optional<std::wstring> uninstaller;
  try {
    uninstaller = ReadRegistryString(HKEY_LOCAL_MACHINE, UninstallKeyPath(productKey), L"UninstallString");
  } catch (const std::system_error&) {
    // An entry that cannot be read is taken as missing: detection goes on.
  }
  const std::wstring candidates[] = {
      uninstaller ? LogBeside(*uninstaller) : std::wstring(),
      LogBeside(OwnExecutable()),
      LogBeside(FindInstalledProgram(productKey)),
  };
  for (const std::wstring& candidate : candidates) {
    if (PathExists(candidate)) return candidate;
  }
  return std::nullopt;
}

}  // namespace qw
