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
#include "payload/special_folder.h"
#include "payload/temporary_folder.h"
#include "payload/unicode_text.h"
#include "platform/handles.h"
#include "platform/system_error.h"

namespace qw {
namespace {

std::wstring Result(bool succeeded) {
  return LoadMessage(succeeded ? msg::kStepOk : msg::kStepFailed) + L"\r\n";
}

// A step line: the status and the start of a log line that the step's
// result completes.
void StepLine(InstallPageServices& page, MessageId id) {
  const std::wstring text = LoadMessage(id);
  page.SetStatus(text);
  page.AppendLog(text);
}

void ShowFailure(InstallPageServices& page, const std::wstring& codeText) {
  page.SetStatus(FormatMessageText(msg::kInstallationFailed, codeText));
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
bool FoldersAreAbsolute(const InstallRequest& request) {
  // A drive and its root ("C:\\...") or a network share ("\\\\server\\...");
  // "\\Meridel" would still depend on the current drive.
  auto absolute = [](const std::wstring& folder) {
    const bool drive = folder.size() >= 3 && folder[1] == L':' && folder[2] == L'\\' &&
                       ((folder[0] >= L'A' && folder[0] <= L'Z') || (folder[0] >= L'a' && folder[0] <= L'z'));
    const bool share = folder.size() > 2 && folder[0] == L'\\' && folder[1] == L'\\';
    return (drive || share) && folder.size() < MAX_PATH;
  };
  return absolute(request.installFolder) && (!request.startMenuShortcut || absolute(request.startMenuFolder));
}

PlaceholderFolders PlaceholdersOf(const InstallRequest& request) {
  return {request.installFolder, FormatMessageText(msg::kExamplesFolder, request.product.name),
          request.tempFolder};
}

// An existing folder that the run would write in and that an ordinary user
// owns: that user could change or redirect what the elevated installation
// puts there. Empty when there is none.
std::wstring UserControlledFolder(const InstallRequest& request) {
  std::vector<std::wstring> destinations;
  try {
    PayloadArchive archive(request.archive);
    for (const DirectoryRecord& record : archive.directory()) {
      destinations.push_back(WideFromUtf16(record.destination));
    }
  } catch (...) {
    // An archive whose directory cannot be read fails its test before
    // anything is written; the installation folder is still checked.
  }
  return FirstUserControlledFolder(
      FoldersToVouchFor(request.installFolder, destinations, PlaceholdersOf(request), SpecialFolderPath));
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
  const std::wstring folder = FirstUserControlledFolder(
      FoldersToVouchFor(request.installFolder, {}, PlaceholdersOf(request), SpecialFolderPath));
  if (folder.empty()) return {};
  page.AppendLog(FormatMessageText(msg::kUserControlledFolder, folder) + L"\r\n");
  return install_errc::user_controlled_folder;
}

// Extracts the payload into the placeholder folders. Returns false after
// the handler has shown the failure.
bool ExtractPayload(const InstallRequest& request, TemporaryCleanup& cleanup, InstallPageServices& page,
                    InstallOutcome& outcome) {
  const PlaceholderFolders folders = PlaceholdersOf(request);
  PayloadArchive archive(request.archive);
  ExtractionHandler handler(archive, request.installedState, request.journal, cleanup, page);
  const bool extracted = archive.extract(folders, std::ref(handler));
  outcome.programPath = handler.programPath();
  outcome.uninstallerPath = handler.uninstallerPath();
  return extracted;
}

bool CreateChosenShortcuts(const InstallRequest& request, const InstallOutcome& outcome,
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

bool EnterUninstallEntry(const InstallRequest& request, const InstallOutcome& outcome,
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
bool WriteUninstallLog(const InstallRequest& request, const InstallOutcome& outcome,
                       InstallPageServices& page) {
  StepLine(page, msg::kInstallationDataWriting);
  wchar_t logPath[MAX_PATH] = {};
  const std::wstring& uninstaller = outcome.uninstallerPath;
  const bool formed = uninstaller.size() < MAX_PATH &&
                      (uninstaller.copy(logPath, uninstaller.size()), ::PathRemoveFileSpecW(logPath)) &&
                      ::PathAppendW(logPath, kUninstallLogFileName);
  const bool written =
      formed && request.journal.Commit(logPath, request.installFolder, request.startMenuFolder);
  if (!formed) request.journal.FinishRunRecord();  // nothing to undo: the run succeeded
  page.AppendLog(Result(written));
  return written;
}

// What the product path value was before this run writes it, for the run
// record.
void NoteProductPath(const InstallRequest& request) {
  HKEY raw = nullptr;
  if (::RegOpenKeyExW(request.productPath.root, request.productPath.subkey.c_str(), 0, KEY_QUERY_VALUE, &raw) !=
      ERROR_SUCCESS) {
    request.journal.NoteProductPath(false, false, std::wstring());
    return;
  }
  UniqueRegKey key(raw);
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

void ShowRunFailure(InstallPageServices& page, const std::error_code& error) {
  const std::wstring text = FormatMessageText(msg::kInstallationFailed, ErrorCodeText(error));
  page.SetStatus(text);
  page.AppendLog(text + L"\r\n");
}

// Steps 10 and on, with the temporary folder named and its cleanup armed.
bool InstallIntoFolders(InstallRequest& request, TemporaryCleanup& cleanup, InstallPageServices& page,
                        InstallOutcome& outcome) {
  page.SetProgress(0);
  page.ShowProgress();
  std::error_code recordError;
  const std::unique_ptr<RunRecordFile> record = BeginRunRecord(request, recordError);
  if (recordError) {
    ShowRunFailure(page, recordError);
    return false;
  }
  // The record outlives no run: the journal lets go of it on every path.
  struct LetGo {
    InstallJournal& journal;
    ~LetGo() { journal.KeepRunRecord(nullptr); }
  } letGo{request.journal};
  if (const std::error_code error = PrepareInstallFolder(request, page)) {
    request.journal.Rollback();
    const std::wstring text = FormatMessageText(msg::kInstallationFailed, ErrorCodeText(error));
    page.SetStatus(text);
    page.AppendLog(text + L"\r\n");
    return false;
  }
  if (!ExtractPayload(request, cleanup, page, outcome)) {
    request.journal.Rollback();
    return false;
  }
  MakeReadOnly(outcome.programPath);
  MakeReadOnly(outcome.uninstallerPath);

  CreateChosenShortcuts(request, outcome, page);
  {
    DirectXRuntimeSetup directX(request.tempFolder);
    RunDirectXStep(directX, request.installedState, request.journal, page);
  }
  const bool entryWritten = EnterUninstallEntry(request, outcome, page);
  NoteProductPath(request);
  if (!RegisterProductPath(outcome.programPath, request.product.key, request.productPath)) {
    request.journal.Rollback();
    page.AppendLog(Result(false));
    ShowFailure(page, L"-1");
    return false;
  }
  const bool registered = RunSelfRegistration(outcome.programPath, request.appLock, request.journal);
  page.AppendLog(Result(entryWritten && registered));

  WriteUninstallLog(request, outcome, page);
  page.SetStatus(FormatMessageText(msg::kClickToContinue, LoadMessage(msg::kNext)));
  return true;
}

}  // namespace

InstallOutcome RunInstallSequence(InstallRequest& request, InstallPageServices& page) {
  InstallOutcome outcome;
  page.AppendLog(std::wstring(), true);
  page.SetStatus(LoadMessage(msg::kPreparingInstallation));

  std::wstring errorText;
  if (!FoldersAreAbsolute(request)) {
    errorText = ErrorCodeText(SystemError(ERROR_BAD_PATHNAME));
  } else if (const std::wstring folder = UserControlledFolder(request); !folder.empty()) {
    page.AppendLog(FormatMessageText(msg::kUserControlledFolder, folder) + L"\r\n");
    errorText = ErrorCodeText(install_errc::user_controlled_folder);
  } else if (MakeTemporaryFolderPath(request.tempFolder, errorText)) {
    errorText.clear();
  }
  if (!errorText.empty()) {
    const std::wstring text = FormatMessageText(msg::kInstallationFailed, errorText);
    page.SetStatus(text);
    page.AppendLog(text + L"\r\n");
    return outcome;
  }
  // Deletes the temporary folder and the setup files in it on every path.
  TemporaryCleanup cleanup(request.tempFolder);
  outcome.succeeded = InstallIntoFolders(request, cleanup, page, outcome);
  return outcome;
}

}  // namespace qw
