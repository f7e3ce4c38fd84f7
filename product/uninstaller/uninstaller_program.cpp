#include "product/uninstaller/uninstaller_program.h"

#include <shlwapi.h>

#include <optional>

#include "engine/product_place_names.h"
#include "engine/product_registry.h"
#include "engine/removal_error.h"
#include "engine/removal_path.h"
#include "engine/removal_sequence.h"
#include "engine/run_record_file.h"
#include "engine/self_registration.h"
#include "engine/uninstall_key.h"
#include "engine/uninstall_log.h"
#include "engine/uninstall_log_format.h"
#include "i18n/language_state.h"
#include "i18n/message_lookup.h"
#include "i18n/startup_language.h"
#include "platform/application_lock.h"
#include "platform/file_version_info.h"
#include "platform/instance_counter.h"
#include "platform/maker_library.h"
#include "platform/message_box_service.h"
#include "platform/product_facts.h"
#include "platform/module_file.h"
#include "platform/path_elements.h"
#include "platform/same_name.h"
#include "platform/security.h"
#include "platform/system_error.h"
#include "product/uninstaller/command_line.h"
#include "product/uninstaller/end_message.h"
#include "product/uninstaller/exit_code.h"
#include "product/uninstaller/removal_window.h"
#include "product/uninstaller/self_removal.h"
#include "product/uninstaller/uninstall_question.h"
#include "product_destinations.h"

namespace qw::uninstaller {
namespace {

// Notes in the run record how far the removal came, then tells the window.
class RecordedProgress : public RemovalProgress {
 public:
  RecordedProgress(RunRecordFile* record, RemovalProgress* window) : record_(record), window_(window) {}
  void Removing(const std::wstring& what, std::size_t step, std::size_t steps) override {
    if (record_) record_->Append(run_record::RemovedLine(step));
    if (window_) window_->Removing(what, step, steps);
  }

 private:
  RunRecordFile* record_;
  RemovalProgress* window_;
};

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
    const std::wstring recordFolder = RunRecordFolder(kProductKey);
    std::optional<RecordedRemoval> earlier = EarlierRemoval(recordFolder);
    if (earlier && RecordWriterRuns(earlier->writer)) return Refuse(SystemErrorText(ERROR_BUSY), kInstallerRunning);
    if (contents.openError && earlier) TakeEntriesFromRecord(*earlier, logPath, contents);
    if (contents.openError) return Refuse(FormatMessageText(msg::kNoLog, logPath), kNoLog);
    if (contents.parse.version != kUninstallLogVersion)
      return Refuse(FormatMessageText(msg::kLogOtherVersion, logPath, std::to_wstring(contents.parse.version)),
                    kLogOfOtherVersion);

    bool removeUserData = false;
    if (!quiet_) {
      CUninstallQuestion question(kProductDisplayName);
      if (question.DoModal() != IDOK) return kCancelled;
      removeUserData = question.RemoveUserData();
    } else if (earlier) {
      removeUserData = earlier->removeUserData;  // finishing what the user chose then
    }
    LogVerdict verdict;
    verdict.partial = IsPartialLog(contents);
    verdict.otherFolder = OtherInstallFolder(contents.log.installFolder);
    // What this run removes is noted first, so that a run cut off after
    // the log went can still be finished by the next one.
    if (earlier) DeleteRunRecord(recordFolder, RunRecordKind::Removal);
    RunRecordFile record;
    std::wstring header = run_record::RemovalHeader(CurrentRecordWriter(), logPath, contents.log.startMenuFolder,
                                                    removeUserData, verdict.partial);
    for (const JournalEntry& entry : contents.log.entries) header += run_record::RemovalEntryLine(entry);
    header += run_record::RemovalEntriesEndLine();
    // Without a record (its folder is not the administrators') the removal
    // goes on: the log still says what to remove until it goes itself.
    const bool recorded = !record.Create(recordFolder, RunRecordKind::Removal, header);
    const RemovalReport report =
        Remove(contents, logPath, removeUserData, verdict.partial, lock, recorded ? &record : nullptr);
    // A run that came to its end leaves nothing for a later one to finish
    // (its uninstaller goes, or stays with its log); only a run cut off
    // leaves its record.
    record.Delete();
    ExitCode code = EndExitCode(report, contents.parse, verdict);
    if (!quiet_)
      ShowMessageBox(nullptr, EndMessageText(kProductDisplayName, report, contents.parse, verdict),
                     MB_OK | MB_SETFOREGROUND | (code == kRemoved ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
    lock.Release();
    // After a partial removal the uninstaller and its log stay for the run
    // that finishes it.
    if (!verdict.partial && (!report.deferredFiles.empty() || !report.deferredFolders.empty()) &&
        StartSecondPhase(self_, report.deferredFiles, report.deferredFolders)) {
      // Its own file cannot go while it runs; without the copy that removes
      // it, the restart does.
      const bool left = LeaveToRestart(report.deferredFiles, report.deferredFolders);
      if (code == kRemoved) code = left ? kRemovedRestartNeeded : kPartlyRemoved;
    }
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

  // The installation folder is the uninstaller's own, whatever the log says.
  std::wstring OwnFolder() const {
    return LongFolderPath(ParentPath(self_));
  }

  std::wstring LogPath() const { return JoinPath(OwnFolder(), kUninstallLogFileName); }

  // A log of a finished installation was read to its end and ends with the
  // uninstall entry, followed at most by the registration run: the install
  // sequence writes those last.
  static bool IsPartialLog(const UninstallLog::Contents& contents) {
    if (!contents.parse.complete) return true;
    const auto& entries = contents.log.entries;
    auto last = entries.rbegin();
    if (last != entries.rend() && last->kind == JournalEntryKind::SelfRegistration) ++last;
    return last == entries.rend() || last->kind != JournalEntryKind::UninstallKey;
  }

  // The header's installation folder when it is not this one, else empty.
  std::wstring OtherInstallFolder(const std::wstring& header) const {
    return IsSamePath(LongFolderPath(header), OwnFolder()) ? std::wstring() : header;
  }

  ProductPlaceFacts PlaceFacts(const std::wstring& startMenuFolder) const {
    ProductPlaceFacts facts;
    facts.installFolder = OwnFolder();
    facts.startMenuFolder = startMenuFolder;
    facts.destinations.assign(std::begin(kProductDestinations), std::end(kProductDestinations));
    // The names an installation in any language gave the samples folder and
    // the uninstall shortcut.
    AddProductPlaceNames(facts, FileVersionInfo::FromRunningModule().ProductName(), kProductDisplayName);
    return facts;
  }

  // The record of a removal that an earlier run did not finish; none when
  // there is none or it lies where an ordinary user could have put it.
  static std::optional<RecordedRemoval> EarlierRemoval(const std::wstring& recordFolder) {
    std::wstring text;
    if (ReadRunRecordText(recordFolder, RunRecordKind::Removal, text)) return std::nullopt;
    RecordedRemoval record = run_record::ParseRemovalRecord(text);
    if (record.writer.processId == 0) return std::nullopt;
    return record;
  }

  // The earlier removal deleted the log: its record holds the log's
  // entries. Only a record of this uninstaller's own log, read whole.
  void TakeEntriesFromRecord(const RecordedRemoval& record, const std::wstring& logPath,
                             UninstallLog::Contents& contents) const {
    if (!record.entriesComplete || !IsSamePath(record.logPath, logPath)) return;
    contents.openError.clear();
    contents.parse.version = kUninstallLogVersion;
    contents.parse.complete = !record.partialLog;
    contents.parse.linesRead = static_cast<int>(record.entries.size());
    contents.log.installFolder = OwnFolder();
    contents.log.startMenuFolder = record.startMenuFolder;
    contents.log.entries.assign(record.entries.begin(), record.entries.end());
  }

  RemovalReport Remove(UninstallLog::Contents& contents, const std::wstring& logPath, bool removeUserData,
                       bool partialLog, ApplicationLock& lock, RunRecordFile* record) {
    RemovalRequest request;
    request.entries = std::move(contents.log.entries);
    request.places = RemovalPlaces::ForProduct(PlaceFacts(contents.log.startMenuFolder));
    request.removeUserData = removeUserData;
    request.partialLog = partialLog;
    request.uninstallerPath = self_;
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
    RecordedProgress progress(record, request.progress);
    request.progress = &progress;
    return RemoveInstallation(request);
  }

  // The installed program's unregistration run (engine/self_registration.h:
  // the application lock given up meanwhile as the installer does, exit
  // code -10 for success). Only the product's own program: an ".exe" whose
  // version resource names the product of this uninstaller.
  static std::error_code Unregister(const std::wstring& program, ApplicationLock& lock) {
    const std::wstring extension = program.substr(program.size() < 4 ? 0 : program.size() - 4);
    const std::wstring product = FileVersionInfo::FromRunningModule().ProductName();
    if (!SameName(extension, L".exe") || product.empty() || FileVersionInfo::FromFile(program).ProductName() != product)
      return removal_errc::not_the_program;
    return RunUnregistration(program, lock);
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
