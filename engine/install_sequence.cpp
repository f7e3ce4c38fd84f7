#include "engine/install_sequence.h"

#include <shlwapi.h>

#include <memory>
#include <optional>

#include "engine/directx_setup.h"
#include "engine/error_code_text.h"
#include "engine/extraction_handler.h"
#include "engine/install_error.h"
#include "engine/product_path.h"
#include "engine/product_registry.h"
#include "engine/program_files_folders.h"
#include "engine/self_registration.h"
#include "engine/shortcut_step.h"
#include "engine/temporary_cleanup.h"
#include "engine/uninstall_entry.h"
#include "engine/uninstall_log_format.h"
#include "engine/user_controlled_folder.h"
#include "i18n/language_state.h"
#include "i18n/message_lookup.h"
#include "payload/compress_error.h"
#include "payload/special_folder.h"
#include "payload/temporary_folder.h"
#include "payload/unicode_text.h"
#include "platform/handles.h"
#include "platform/path_elements.h"
#include "platform/registry_key.h"
#include "platform/system_error.h"

namespace qw {
namespace {

std::wstring Result(const std::error_code& error) {
  return LoadMessage(error ? msg::kStepFailed : msg::kStepOk) + L"\r\n";
}

// A step line: the status and the start of a log line that the step's
// result completes.
void StepLine(InstallPageServices& page, MessageId id) {
  const std::wstring text = LoadMessage(id);
  page.SetStatus(text);
  page.AppendLog(text);
}

// The end of a failed run: the status says why; so does the log, unless
// the failed step ended its own log line with "Failed".
void ShowRunFailure(InstallPageServices& page, const std::error_code& error, bool stepLogged = false) {
  const std::wstring text = InstallationFailedText(error);
  page.SetStatus(text);
  if (!stepLogged) page.AppendLog(text + L"\r\n");
}

// So that nothing the product ships is changed by accident.
void MakeReadOnly(const std::wstring& path) {
  if (path.empty()) return;
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    ::SetFileAttributesW(path.c_str(), attributes | FILE_ATTRIBUTE_READONLY);
  }
}

// A folder typed as "" or "Meridel" would resolve against whatever the
// current folder happens to be: refuse before anything is written.
std::error_code CheckFoldersAreAbsolute(const InstallRequest& request) {
  // A drive and its root ("C:\\...") or a network share ("\\\\server\\...");
  // "\\Meridel" would still depend on the current drive. Backslashes only,
  // as the Path page gives it: the uninstaller refuses a logged path with
  // '/', so such an installation could not be removed.
  auto absolute = [](const std::wstring& folder) {
    return (IsAbsoluteDrivePath(folder) || IsSharePath(folder)) && folder.find(L'/') == std::wstring::npos &&
           folder.size() < MAX_PATH;
  };
  if (absolute(request.installFolder) && (!request.startMenuShortcut || absolute(request.startMenuFolder))) return {};
  return SystemError(ERROR_BAD_PATHNAME);
}

PlaceholderFolders PlaceholdersOf(const InstallRequest& request) {
  return {request.installFolder, FormatMessageText(msg::kExamplesFolder, request.product.name),
          request.tempFolder};
}

// An existing folder that the run would write in and that an ordinary user
// owns: that user could change or redirect what the elevated installation
// puts there. Empty when there is none.
std::wstring FindUserControlledFolder(const InstallRequest& request) {
  // An archive whose directory cannot be read fails its test before
  // anything is written; the installation folder is still checked.
  std::vector<std::wstring> destinations;
  PayloadArchive archive(request.archive);
  std::error_code unread;
  for (const DirectoryRecord& record : archive.directory(unread)) {
    destinations.push_back(WideFromUtf16(record.destination));
  }
  return FirstUserControlledFolder(
      FoldersToVouchFor(request.installFolder, destinations, PlaceholdersOf(request), SpecialFolderPath));
}

// Refuses a folder that an ordinary user owns, naming it in the log.
std::error_code RefuseUserControlledFolder(const std::wstring& folder, InstallPageServices& page) {
  if (folder.empty()) return {};
  page.AppendLog(FormatMessageText(msg::kUserControlledFolder, folder) + L"\r\n");
  return install_errc::user_controlled_folder;
}

// What is checked before anything is written or named: the folders, then
// the folders the run would write in; then the temporary folder is named.
std::error_code CheckAndNameTemporaryFolder(InstallRequest& request, InstallPageServices& page) {
  if (const std::error_code error = CheckFoldersAreAbsolute(request)) return error;
  if (const std::error_code error = RefuseUserControlledFolder(FindUserControlledFolder(request), page))
    return error;
  return MakeTemporaryFolderPath(request.tempFolder);
}

// Creates the installation folder before anything goes into it. Outside
// the Program Files folders the folders made on its way get Program Files'
// protection (a drive root lets every user change what is made in it);
// inside them nothing changes. A folder on its way that someone else made
// since the first look is refused like one that was there before. Returns
// why the run cannot go on.
std::error_code PrepareInstallFolder(InstallRequest& request, InstallPageServices& page) {
  if (!IsInsideProgramFiles(request.installFolder)) {
    request.journal.ProtectFoldersOnTheWayTo(request.installFolder);
  }
  request.journal.EnsureFolder(request.installFolder);
  if (const std::error_code error = request.journal.LastRecordingError()) return error;
  return RefuseUserControlledFolder(FirstUserControlledFolder(FoldersToVouchFor(
                                        request.installFolder, {}, PlaceholdersOf(request), SpecialFolderPath)),
                                    page);
}

// Extracts the payload into the placeholder folders. Returns the
// extraction's failure after the handler has logged it and shown it.
std::error_code ExtractPayload(const InstallRequest& request, TemporaryCleanup& cleanup, InstallPageServices& page,
                               InstallOutcome& outcome) {
  const PlaceholderFolders folders = PlaceholdersOf(request);
  PayloadArchive archive(request.archive);
  ExtractionHandler handler(archive, request.installedState, request.journal, cleanup, page);
  const bool extracted = archive.extract(folders, std::ref(handler));
  outcome.programPath = handler.programPath();
  outcome.uninstallerPath = handler.uninstallerPath();
  if (extracted) return {};
  // The reader sends exactly one failure before it returns false.
  return handler.error() ? handler.error() : make_error_code(compress_errc::unexpected_error);
}

std::error_code CreateChosenShortcuts(const InstallRequest& request, const InstallOutcome& outcome,
                                      InstallPageServices& page) {
  ShortcutChoices choices;
  choices.startMenu = request.startMenuShortcut;
  choices.desktop = request.desktopShortcut;
  choices.startMenuFolder = request.startMenuFolder;
  choices.programPath = outcome.programPath;
  choices.uninstallerPath = outcome.uninstallerPath;
  choices.programName = request.product.displayName;
  choices.uninstallName = FormatMessageText(msg::kUninstallShortcutName, request.product.name);
  return CreateShortcuts(choices, request.journal, page);
}

std::error_code EnterUninstallEntry(const InstallRequest& request, const InstallOutcome& outcome,
                                    InstallPageServices& page) {
  StepLine(page, msg::kRegistryDataWriting);
  UninstallEntryValues values;
  values.product = request.product;
  values.programPath = outcome.programPath;
  values.uninstallerPath = outcome.uninstallerPath;
  values.language = static_cast<DWORD>(GetLanguage());
  return WriteUninstallEntry(values, request.uninstallKey, request.journal);
}

// "Uninstall.ulog" beside the uninstaller; the journal's entries merged
// with the previous installation's, and the set-aside copies discarded.
// ERROR_FILENAME_EXCED_RANGE when the log's path cannot be formed, else
// what the journal's Commit gives.
std::error_code WriteUninstallLog(const InstallRequest& request, const InstallOutcome& outcome,
                                  InstallPageServices& page) {
  StepLine(page, msg::kInstallationDataWriting);
  const std::wstring folder = ParentPath(outcome.uninstallerPath);
  const std::wstring logPath = JoinPath(folder, kUninstallLogFileName);
  std::error_code error;
  if (folder.empty() || logPath.size() >= MAX_PATH) {
    request.journal.FinishRunRecord();  // nothing to undo: the run succeeded
    error = SystemError(ERROR_FILENAME_EXCED_RANGE);
  } else {
    error = request.journal.Commit(logPath, request.installFolder, request.startMenuFolder);
  }
  page.AppendLog(Result(error));
  return error;
}

// What the product path value was before this run writes it, for the run
// record.
void NoteProductPath(const InstallRequest& request) {
  UniqueRegKey key;
  if (OpenRegKey(request.productPath.root, request.productPath.subkey, KEY_QUERY_VALUE, key)) {
    request.journal.NoteProductPath(false, false, std::wstring());
    return;
  }
  wchar_t value[1024] = {};
  DWORD type = 0, size = sizeof value - sizeof(wchar_t);
  const std::wstring valueName = ProductPathValueName(request.product.key);
  const bool exists = ::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
                      type == REG_SZ;
  request.journal.NoteProductPath(true, exists, exists ? std::wstring(value) : std::wstring());
}

// The run record, begun before the first change; null when the run keeps
// none. `error` says why it could not be begun.
std::unique_ptr<RunRecordFile> BeginRunRecord(const InstallRequest& request, std::error_code& error) {
  error.clear();
  if (request.runRecordFolder.empty()) return nullptr;
  auto record = std::make_unique<RunRecordFile>();
  error = record->Create(request.runRecordFolder, RunRecordKind::Installation,
                         run_record::InstallationHeader(CurrentRecordWriter(), request.installFolder,
                                                        request.startMenuShortcut ? request.startMenuFolder : L"",
                                                        request.tempFolder));
  if (error) return nullptr;
  request.journal.KeepRunRecord(record.get());
  return record;
}

// A step that fails without failing the run: its error is kept for the
// caller (the step has logged "Failed" itself).
void Keep(InstallOutcome& outcome, const std::error_code& error) {
  if (error) outcome.stepErrors.push_back(error);
}

// Steps 10 and on, with the temporary folder named and its cleanup armed.
// Returns why the run failed, after showing it.
std::error_code InstallIntoFolders(InstallRequest& request, TemporaryCleanup& cleanup, InstallPageServices& page,
                                   InstallOutcome& outcome) {
  page.SetProgress(0);
  page.ShowProgress();
  std::error_code error;
  const std::unique_ptr<RunRecordFile> record = BeginRunRecord(request, error);
  if (error) {
    ShowRunFailure(page, error);
    return error;
  }
  // The record outlives no run: the journal lets go of it on every path.
  struct LetGo {
    InstallJournal& journal;
    ~LetGo() { journal.KeepRunRecord(nullptr); }
  } letGo{request.journal};
  if ((error = PrepareInstallFolder(request, page))) {
    request.journal.Rollback();
    ShowRunFailure(page, error);
    return error;
  }
  if ((error = ExtractPayload(request, cleanup, page, outcome))) {
    request.journal.Rollback();
    return error;  // shown by the extraction's failure line and status
  }
  MakeReadOnly(outcome.programPath);
  MakeReadOnly(outcome.uninstallerPath);

  Keep(outcome, CreateChosenShortcuts(request, outcome, page));
  {
    DirectXRuntimeSetup directX(request.tempFolder);
    Keep(outcome, RunDirectXStep(directX, request.installedState, request.journal, page));
  }
  const std::error_code entryError = EnterUninstallEntry(request, outcome, page);
  NoteProductPath(request);
  if ((error = RegisterProductPath(outcome.programPath, request.product.key, request.productPath))) {
    request.journal.Rollback();
    page.AppendLog(Result(error));
    ShowRunFailure(page, error, true);
    return error;
  }
  const std::error_code registrationError =
      RunSelfRegistration(outcome.programPath, request.appLock, request.journal);
  page.AppendLog(Result(entryError ? entryError : registrationError));
  Keep(outcome, entryError);
  Keep(outcome, registrationError);

  Keep(outcome, WriteUninstallLog(request, outcome, page));
  page.SetStatus(FormatMessageText(msg::kClickToContinue, LoadMessage(msg::kNext)));
  return {};
}

}  // namespace

InstallOutcome RunInstallSequence(InstallRequest& request, InstallPageServices& page) {
  InstallOutcome outcome;
  page.AppendLog(std::wstring(), true);
  page.SetStatus(LoadMessage(msg::kPreparingInstallation));
  if ((outcome.error = CheckAndNameTemporaryFolder(request, page))) {
    ShowRunFailure(page, outcome.error);  // nothing was changed
    return outcome;
  }
  // Deletes the temporary folder and the setup files in it on every path.
  TemporaryCleanup cleanup(request.tempFolder);
  outcome.error = InstallIntoFolders(request, cleanup, page, outcome);
  return outcome;
}

}  // namespace qw
