// "DSetup.dll" of the sample product: a stand-in for Microsoft's DirectX
// setup library with the exports the installer looks up. It installs the
// components of the four cabinets beside it through its companion library
// "dsetup32.dll", reporting progress through the registered callback. The
// components are small files of its own, installed into a folder of the
// system directory that no system library lives in.

#include <windows.h>

#include <array>
#include <string>

#include "product/directx_setup/cabinet_install.h"
#include "product/directx_setup/directx_setup_interface.h"
#include "product/directx_setup/standin_settings.h"

namespace {

HMODULE g_module = nullptr;
DSETUP_CALLBACK g_callback = nullptr;

#ifndef QW_DSETUP_WITHOUT_SETUP
constexpr std::array<const wchar_t*, 4> kCabinets = {
    L"dxdllreg_x86.cab", L"dxupdate.cab", L"Jun2010_D3DCompiler_43_x86.cab",
    L"Jun2010_d3dx9_43_x86.cab"};

using InstallCabinetFunction = INT(WINAPI*)(LPCWSTR, LPCWSTR);

// The folder of this library, without a trailing separator.
std::wstring OwnFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(g_module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  std::wstring folder(path, length);
  const size_t slash = folder.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash);
}

std::wstring ComponentsFolder() {
  wchar_t system[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  return std::wstring(system, length) + L"\\Quillon DirectX stand-in";
}

void Progress(const char* message, const wchar_t* name) {
  if (g_callback == nullptr) return;
  char text[128] = {};
  char file[MAX_PATH] = {};
  lstrcpynA(text, message, sizeof text);
  if (name != nullptr) {
    ::WideCharToMultiByte(CP_ACP, 0, name, -1, file, sizeof file, nullptr, nullptr);
  }
  g_callback(DSETUP_CB_MSG_PROGRESS, 0, text, file, nullptr);
}
#endif

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    ::DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

__declspec(dllexport) INT WINAPI DirectXSetupGetVersion(DWORD* version, DWORD* revision) {
  const StandInSettings settings = ReadStandInSettings();
  if (version != nullptr) *version = settings.version;
  if (revision != nullptr) *revision = settings.revision;
  return 1;
}

__declspec(dllexport) INT WINAPI DirectXSetupSetCallback(DSETUP_CALLBACK callback) {
  g_callback = callback;
  return 0;
}

#ifndef QW_DSETUP_WITHOUT_SETUP
__declspec(dllexport) INT WINAPI DirectXSetupW(HWND, LPWSTR root, DWORD flags) {
  if ((flags & DSETUP_DXCORE) == 0) return DSETUPERR_SUCCESS;  // nothing asked for
  const std::wstring folder = OwnFolder();
  const std::wstring components = ComponentsFolder();
  if (folder.empty() || components.empty() || root == nullptr) return DSETUPERR_INTERNAL;

  // The companion is loaded by its full path: never from a search path.
  HMODULE companion = ::LoadLibraryExW((folder + L"\\dsetup32.dll").c_str(), nullptr,
                                       LOAD_WITH_ALTERED_SEARCH_PATH);
  if (companion == nullptr) return DSETUPERR_SOURCEFILENOTFOUND;
  auto install = reinterpret_cast<InstallCabinetFunction>(
      reinterpret_cast<void*>(::GetProcAddress(companion, "DSetup32InstallCabinet")));
  INT result = install == nullptr ? DSETUPERR_INTERNAL : DSETUPERR_SUCCESS;

  Progress("Installing DirectX components", nullptr);
  std::wstring source(root);
  if (!source.empty() && source.back() != L'\\') source += L'\\';
  for (const wchar_t* cabinet : kCabinets) {
    if (result != DSETUPERR_SUCCESS) break;
    Progress("Installing", cabinet);
    result = install((source + cabinet).c_str(), components.c_str());
  }
  ::FreeLibrary(companion);
  if (result != DSETUPERR_SUCCESS) return result;
  Progress("DirectX setup is complete", nullptr);
  return ReadStandInSettings().result;
}
#endif

}  // extern "C"
