#include "engine/directx_setup.h"

#include "i18n/message_lookup.h"
#include "platform/system_error.h"

namespace qw {

namespace {

// Names of Microsoft's published DirectSetup interface.
constexpr DWORD DSETUP_DIRECTX = 0x10018;  // DSETUP_DXCORE | DSETUP_DDRAWDRV | DSETUP_DSOUNDDRV
constexpr INT DSETUPERR_SUCCESS = 0;
constexpr INT DSETUPERR_SUCCESS_RESTART = 1;  // success; no restart is asked for
constexpr DWORD DSETUP_CB_MSG_PROGRESS = 18;
constexpr DWORD kMinimumVersion = 0x40009;  // 4.09
constexpr DWORD kMinimumRevision = 903;

using DirectSetupCallback = DWORD(WINAPI*)(DWORD, DWORD, LPSTR, LPSTR, void*);
using GetVersionFunction = INT(WINAPI*)(DWORD*, DWORD*);
using SetCallbackFunction = INT(WINAPI*)(DirectSetupCallback);
using SetupFunction = INT(WINAPI*)(HWND, LPWSTR, DWORD);

template <typename Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// The callback has no context argument: the page being pumped is the one
// of the setup that runs now (there is one, on the user-interface thread).
InstallPageServices* g_pumpedPage = nullptr;

DWORD WINAPI OnSetupCallback(DWORD reason, DWORD, LPSTR, LPSTR, void*) {
  if (reason == DSETUP_CB_MSG_PROGRESS && g_pumpedPage != nullptr) g_pumpedPage->PumpMessages();
  return 1;
}

bool UsableVersion(HMODULE module) {
  auto getVersion = Export<GetVersionFunction>(module, "DirectXSetupGetVersion");
  if (getVersion == nullptr) return false;
  DWORD version = 0;
  DWORD revision = 0;
  if (getVersion(&version, &revision) == 0) return false;
  return version >= kMinimumVersion && revision >= kMinimumRevision;
}

bool PreviouslyDone(const InstallJournal& journal) {
  for (const JournalEntry& entry : journal.Previous().entries) {
    if (entry.kind == JournalEntryKind::DirectXSetup && entry.done) return true;
  }
  return false;
}

// Runs the library's setup: ERROR_PROC_NOT_FOUND when an export is
// missing, ERROR_INSTALL_FAILURE when the setup fails.
std::error_code InstallComponents(const DirectXRuntimeSetup& setup, InstallPageServices& page) {
  auto setCallback = Export<SetCallbackFunction>(setup.module(), "DirectXSetupSetCallback");
  auto install = Export<SetupFunction>(setup.module(), "DirectXSetupW");
  if (setCallback == nullptr || install == nullptr) return SystemError(ERROR_PROC_NOT_FOUND);
  setCallback(OnSetupCallback);
  std::wstring folder = setup.folder();  // the interface takes a writable string
  g_pumpedPage = &page;
  const INT result = install(page.OwnerWindow(), folder.data(), DSETUP_DIRECTX);
  g_pumpedPage = nullptr;
  if (result == DSETUPERR_SUCCESS || result == DSETUPERR_SUCCESS_RESTART) return {};
  return SystemError(ERROR_INSTALL_FAILURE);
}

}  // namespace

DirectXRuntimeSetup::DirectXRuntimeSetup(std::wstring folder) : folder_(std::move(folder)) {
  std::wstring path = folder_;
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  path += L"DSetup.dll";
  HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
  if (module == nullptr) module = ::LoadLibraryExW(path.c_str(), nullptr, 0);
  module_.reset(module);
  if (loaded() && !UsableVersion(module_.get())) module_.reset();
}

std::error_code RunDirectXStep(DirectXRuntimeSetup& setup, InstalledState installedState, InstallJournal& journal,
                               InstallPageServices& page) {
  if (!setup.loaded()) return {};
  // An update keeps what an earlier installation's setup did; a
  // reinstallation of the same version repairs, so it runs again.
  if (installedState != InstalledState::SameVersion && PreviouslyDone(journal)) {
    setup.Unload();
    return {};
  }
  PendingJournalEntry entry = journal.RecordDirectXSetup();
  const std::wstring text = LoadMessage(msg::kDirectXUpdate);
  page.SetStatus(text);
  page.AppendLog(text);
  const std::error_code error = InstallComponents(setup, page);
  setup.Unload();
  entry.Complete(!error, text);
  page.AppendLog(LoadMessage(error ? msg::kStepFailed : msg::kStepOk) + L"\r\n");
  return error;
}

}  // namespace qw
