#include "display_scale.h"

#include <utility>

#include "child_process.h"

namespace qw::test {
namespace {

constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kLogPixels[] = L"LogPixels";

}  // namespace

DisplayScaleSetting::DisplayScaleSetting(std::wstring probe, int dpi) : probe_(std::move(probe)) {
  guard_.emplace(HKEY_CURRENT_USER, kDesktopKey, kLogPixels);
  const DWORD value = static_cast<DWORD>(dpi);
  ok_ = SetRegistryValue(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &value, sizeof value);
}

DisplayScaleSetting::~DisplayScaleSetting() {
  guard_.reset();
  ChildProcess probe = ChildProcess::Start(probe_, L"");
  if (probe.valid()) probe.WaitForExit(30000);
}

ProbeResult ProbeDisplayScale(const std::wstring& probe, int dpi) {
  ProbeResult result;
  int given = 0;
  {
    DisplayScaleSetting setting(probe, dpi);
    ChildProcess run = setting.ok() ? ChildProcess::Start(probe, L"") : ChildProcess();
    if (run.valid() && run.WaitForExit(30000)) given = static_cast<int>(run.ExitCode());
  }
  result.works = given == dpi;
  result.finding = "a DPI-aware program started with HKCU\\Control Panel\\Desktop LogPixels = " +
                   std::to_string(dpi) + " was given " + std::to_string(given) + " DPI";
  return result;
}

bool SeeWindowsInScreenPixels() {
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE; looked up because the
  // function is newer than the Windows version the tests are built for.
  using SetContext = HANDLE(WINAPI*)(HANDLE);
  const auto set = reinterpret_cast<SetContext>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext")));
  return set && set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3))) != nullptr;
}

}  // namespace qw::test
