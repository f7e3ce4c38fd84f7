// The installer's entry: process initialisation as static initialisers in a
// fixed order (one translation unit keeps their order), then wWinMain, which
// hands over to the application object's InitInstance. Ahead of all of them,
// the library search is restricted to the system folder
// (platform/system_libraries_only.cpp, linked into the program whole).

#include <windows.h>

#include <boost/filesystem/path.hpp>

#include <locale>

#include "app/install_app.h"
#include "platform/configuration_check.h"
#include "platform/maker_library.h"
#include "platform/message_box_service.h"

namespace {

constexpr int kInitializationFailedExitCode = -11;

// A failed initialisation: no owner, no caption, error icon; then the
// process ends.
[[noreturn]] void FailInitialization() {
  ::MessageBoxW(nullptr, L"Initialization Error", nullptr,
                MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
  ::ExitProcess(static_cast<UINT>(kInitializationFailedExitCode));
}

// The error mode, and the locale that converts paths between narrow and
// wide characters.
bool PrepareProcess() {
  ::SetErrorMode(::GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  try {
    (void)boost::filesystem::path::codecvt();
  } catch (...) {
    FailInitialization();
  }
  return true;
}

// The maker's library: known folders, common controls, application id and
// the instance counter.
bool InitializeLibrary() {
  if (qw::InitializeMakerLibrary()) FailInitialization();
  return true;
}

// The message-box service's caption is the application name.
bool InstallMessageBoxDefaults() {
  qw::SetMessageBoxCaptionProvider([] {
    CWinApp* app = AfxGetApp();
    return app ? app->AppName() : std::wstring();
  });
  return true;
}

// The order of these definitions is the order of process initialisation.
const bool g_configurationChecked = (qw::ConfigurationCheck(), true);
const bool g_processPrepared = PrepareProcess();
const bool g_libraryInitialized = InitializeLibrary();
const bool g_messageBoxDefaults = InstallMessageBoxDefaults();
CInstallApp theApp;  // last: its context creates the application lock

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // InitInstance always answers false: there is no message loop to enter,
  // and the wizard has run by the time it returns.
  if (CWinApp* app = AfxGetApp()) app->InitInstance();
  return 0;
}
