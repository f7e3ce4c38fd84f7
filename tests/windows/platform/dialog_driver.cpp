#include "dialog_driver.h"

namespace qw::test {

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;
constexpr DWORD kPollMs = 50;

struct Search {
  DWORD processId;
  std::vector<HWND> dialogs;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  wchar_t className[16] = {};
  ::GetClassNameW(window, className, 16);
  if (owner == search->processId && ::IsWindowVisible(window) &&
      std::wstring(className) == L"#32770") {
    search->dialogs.push_back(window);
  }
  return TRUE;
}

// The first dialog of the process for which `wanted` holds, polled until
// `timeoutMs` passed.
template <typename Predicate>
HWND WaitForDialog(DWORD processId, DWORD timeoutMs, Predicate wanted) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    for (HWND dialog : VisibleDialogs(processId)) {
      if (wanted(dialog)) return dialog;
    }
    if (::GetTickCount64() >= deadline) return nullptr;
    ::Sleep(kPollMs);
  }
}

}  // namespace

std::vector<HWND> VisibleDialogs(DWORD processId) {
  Search search{processId, {}};
  ::EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
  return search.dialogs;
}

bool IsMessageBox(HWND dialog) { return ::GetDlgItem(dialog, kMessageBoxTextId) != nullptr; }

HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs) {
  return WaitForDialog(processId, timeoutMs, [](HWND d) { return IsMessageBox(d); });
}

HWND WaitForWizard(DWORD processId, DWORD timeoutMs) {
  return WaitForDialog(processId, timeoutMs, [](HWND d) { return !IsMessageBox(d); });
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  while (::IsWindow(window)) {
    if (::GetTickCount64() >= deadline) return false;
    ::Sleep(kPollMs);
  }
  return true;
}

std::wstring WindowText(HWND window) {
  // WM_GETTEXT works across processes, where GetWindowText would not ask.
  wchar_t text[1024] = {};
  DWORD_PTR length = 0;
  ::SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        kWindowTimeoutMs, &length);
  return std::wstring(text, length);
}

std::wstring MessageBoxText(HWND box) { return WindowText(::GetDlgItem(box, kMessageBoxTextId)); }

bool HasButton(HWND dialog, int id) { return ::GetDlgItem(dialog, id) != nullptr; }

bool PressButton(HWND dialog, int id) {
  HWND button = ::GetDlgItem(dialog, id);
  if (!button) return false;
  DWORD_PTR result = 0;
  // The dialog may end while the click is handled: only a hung dialog fails.
  return ::SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kWindowTimeoutMs,
                               &result) != 0 ||
         !::IsWindow(button);
}

}  // namespace qw::test
