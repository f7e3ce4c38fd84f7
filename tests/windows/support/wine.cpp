#include "wine.h"

#include <windows.h>

#include <functional>

#include "platform/handles.h"

namespace qw::test {

bool RunningUnderWine() {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::wstring LaneSuffix() {
  wchar_t lane[8] = {};
  const DWORD length = ::GetEnvironmentVariableW(L"QW_WINE_LANE", lane, 8);
  if (length == 0 || length >= 8 || std::wstring(lane) == L"1") return std::wstring();
  return L"_lane" + std::wstring(lane);
}

std::wstring UnixPath(const std::wstring& windowsPath) {
  using Convert = char*(CDECL*)(const wchar_t*);
  auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* unix = convert ? convert(windowsPath.c_str()) : nullptr;
  if (!unix) return std::wstring();
  const std::string narrow(unix);
  ::HeapFree(::GetProcessHeap(), 0, unix);
  return std::wstring(narrow.begin(), narrow.end());
}

bool StartInUnixLocale(const std::wstring& program, const std::wstring& unixLocale,
                       const std::vector<std::wstring>& settings, const std::wstring& arguments) {
  const std::wstring unixProgram = UnixPath(program);
  if (unixProgram.empty()) return false;
  wchar_t loader[MAX_PATH] = L"wine";
  const DWORD length = ::GetEnvironmentVariableW(L"WINELOADER", loader, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) wcscpy(loader, L"wine");
  std::wstring commandLine = L"env LC_ALL=" + unixLocale + L" LANG=" + unixLocale;
  for (const std::wstring& setting : settings) commandLine += L" \"" + setting + L"\"";
  commandLine += L" " + std::wstring(loader) + L" \"" + unixProgram + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(L"Z:\\usr\\bin\\env", &commandLine[0], nullptr, nullptr, FALSE,
                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info)) {
    return false;
  }
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  return true;
}

namespace {

// Runs the Unix program `program` (a Z: path) with `commandLine` and waits
// up to 10 s for `done`: Wine gives no handle to wait on for a Unix process.
bool RunUnixProgram(const wchar_t* program, std::wstring commandLine, const std::function<bool()>& done) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(program, &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &info))
    return false;
  UniqueHandle process(info.hProcess);
  UniqueHandle thread(info.hThread);
  for (int i = 0; i < 100; ++i) {
    if (done()) return true;
    ::Sleep(100);
  }
  return false;
}

}  // namespace

bool MakeUnixFolderLink(const std::wstring& target, const std::wstring& link) {
  const std::wstring unixTarget = UnixPath(target);
  const std::wstring unixLink = UnixPath(link);
  if (unixTarget.empty() || unixLink.empty()) return false;
  return RunUnixProgram(L"Z:\\usr\\bin\\ln", L"ln -s \"" + unixTarget + L"\" \"" + unixLink + L"\"",
                        [&] { return ::GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES; });
}

bool RemoveUnixLink(const std::wstring& link) {
  const std::wstring unixLink = UnixPath(link);
  if (unixLink.empty()) return false;
  return RunUnixProgram(L"Z:\\usr\\bin\\rm", L"rm -f \"" + unixLink + L"\"",
                        [&] { return ::GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

}  // namespace qw::test
