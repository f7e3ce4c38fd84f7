#include "product/uninstaller/uninstaller_program.h"

#include <shlwapi.h>

#include <optional>

#include "engine/product_registry.h"
#include "engine/removal_sequence.h"
#include "engine/uninstall_key.h"
#include "engine/uninstall_log.h"
#include "i18n/message_lookup.h"
#include "i18n/startup_language.h"
#include "platform/application_lock.h"
#include "platform/handles.h"
#include "platform/instance_counter.h"
#include "platform/maker_library.h"
#include "platform/message_box_service.h"
#include "platform/module_file.h"
#include "platform/security.h"
#include "platform/system_error.h"
#include "product/uninstaller/command_line.h"
#include "product/uninstaller/end_message.h"
#include "product/uninstaller/exit_code.h"
#include "product/uninstaller/removal_window.h"
#include "product/uninstaller/self_removal.h"
#include "product/uninstaller/uninstall_question.h"

namespace qw::uninstaller {
namespace {

constexpr wchar_t kProductKey[] = L"Meridel 6";
constexpr wchar_t kProductDisplayName[] = L"Meridel 6.07c";
constexpr int kUnregisteredExitCode = -10;

class Uninstaller {
 public:
  explicit Uninstaller(const CommandLine& commandLine)
      : quiet_(commandLine.quiet), self_(ModuleFilePath(nullptr)) {}

  int Run() {
    if (InitializeMakerLibrary()) return kInitializationFailed;
    ApplicationLock lock(ApplicationLockName(ApplicationId()), false, true);
    if (!lock.TryAcquire()) return Refuse(SystemErrorText(ERROR_BUSY), kInstallerRunning);
    SelectStartupLanguage(UninstallKeyPath(kProductKey));
    SetMessageBoxCaptionProvider([] { return FormatMessageText(msg::kUninstallTitle, kProductDisplayName); });
    if (!IsUserAdministrator())
      return Refuse(FormatMessageText(msg::kNeedAdministratorToUninstall, kProductDisplayName), kNotAdministrator);
    if (!WaitForRunningProduct()) return quiet_ ? kProductRunning : kCancelled;

    const std::wstring logPath = LogPath();
    UninstallLog::Contents contents = UninstallLog::ReadForRemoval(logPath);
    if (contents.openError) return Refuse(FormatMessageText(msg::kNoLog, logPath), kNoLog);
    if (contents.parse.version != 1)
      return Refuse(FormatMessageText(msg::kLogOtherVersion, logPath, std::to_wstring(contents.parse.version)),
                    kLogOfOtherVersion);

    bool removeUserData = false;
    if (!quiet_) {
      CUninstallQuestion question(kProductDisplayName);
      if (question.DoModal() != IDOK) return kCancelled;
      removeUserData = question.RemoveUserData();
    }
    const RemovalReport report = Remove(contents, logPath, removeUserData, lock);
    const ExitCode code = EndExitCode(report, contents.parse);
    if (!quiet_)
      ShowMessageBox(nullptr, EndMessageText(kProductDisplayName, report, contents.parse),
                     MB_OK | MB_SETFOREGROUND | (code == kRemoved ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
    lock.Release();
    if (!report.deferredFiles.empty() || !report.deferredFolders.empty())
      StartSecondPhase(self_, report.deferredFiles, report.deferredFolders);
    return code;
  }

 private:
  int Refuse(const std::wstring& text, ExitCode code) const {
    if (!quiet_) ShowMessageBox(nullptr, text, MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
    return code;
  }

  // False when the product still runs and the user cancels (or, quiet,
  // at once).
  bool WaitForRunningProduct() const {
    while (CountRunningInstances() > 1) {
      if (quiet_) return false;
      const std::wstring text = FormatMessageText(msg::kCloseProductToUninstall, kProductDisplayName);
      if (ShowMessageBox(nullptr, text, MB_RETRYCANCEL | MB_ICONEXCLAMATION | MB_SETFOREGROUND) != IDRETRY)
        return false;
    }
    return true;
  }

  std::wstring LogPath() const {
    const std::size_t slash = self_.find_last_of(L'\\');
    return (slash == std::wstring::npos ? std::wstring() : self_.substr(0, slash + 1)) + L"Uninstall.ulog";
  }

  RemovalReport Remove(UninstallLog::Contents& contents, const std::wstring& logPath, bool removeUserData,
                       ApplicationLock& lock) {
    RemovalRequest request;
    request.entries = std::move(contents.log.entries);
    request.places = RemovalPlaces::ForThisMachine(contents.log.installFolder, contents.log.startMenuFolder);
    request.removeUserData = removeUserData;
    request.uninstallKey = UninstallKeyLocation::ForProduct(kProductKey);
    request.productPath.makerKey = MakerKeyPath();
    request.productPath.valueName = ProductPathValueName(kProductKey);
    request.logPath = logPath;
    request.deferredFiles = {self_};
    request.unregister = [&lock](const std::wstring& program) { return Unregister(program, lock); };
    std::optional<CRemovalWindow> window;
    if (!quiet_) {
      window.emplace(kProductDisplayName);
      if (window->Show()) request.progress = &*window;
    }
    return RemoveInstallation(request);
  }

  // Runs the installed program with "/Unregister /Background", the
  // counterpart of its registration run, with the application lock given up
  // meanwhile as the installer does.
  static bool Unregister(const std::wstring& program, ApplicationLock& lock) {
    wchar_t line[MAX_PATH + 64] = {};
    ::lstrcpynW(line, program.c_str(), MAX_PATH);
    ::PathQuoteSpacesW(line);
    ::lstrcatW(line, L" /Unregister /Background");
    std::wstring folder = program.substr(0, program.find_last_of(L'\\'));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNOACTIVATE;
    PROCESS_INFORMATION process{};
    lock.Release();
    const BOOL started = ::CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                                          &startup, &process);
    DWORD exitCode = 0;
    if (started) {
      UniqueHandle processHandle(process.hProcess);
      UniqueHandle threadHandle(process.hThread);
      ::WaitForSingleObject(processHandle.get(), INFINITE);
      ::GetExitCodeProcess(processHandle.get(), &exitCode);
    }
    lock.TryAcquire();
    return started && static_cast<int>(exitCode) == kUnregisteredExitCode;
  }

  const bool quiet_;
  const std::wstring self_;
};

}  // namespace

int RunUninstaller(const wchar_t* commandLine) {
  // Whoever started it may have left the current folder in the installation
  // folder, which could then not be removed.
  wchar_t system[MAX_PATH] = {};
  if (::GetSystemDirectoryW(system, MAX_PATH)) ::SetCurrentDirectoryW(system);
  const CommandLine parsed = ParseCommandLine(commandLine);
  if (parsed.cleanup) {
    RunSecondPhase(parsed.firstProcess, parsed.files, parsed.folders);
    return kRemoved;
  }
  return Uninstaller(parsed).Run();
}

}  // namespace qw::uninstaller
