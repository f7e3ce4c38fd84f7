#include "dialog_driver.h"

namespace qw::test {

namespace {

// The message's static control: 0xFFFF on Windows, 100 in some Wine versions.
constexpr int kMessageBoxTextIds[] = {0xFFFF, 100};
constexpr DWORD kPollMs = 50;
constexpr DWORD kMessageTimeoutMs = 5000;

HWND MessageBoxTextControl(HWND box) {
  for (int id : kMessageBoxTextIds) {
    if (HWND text = ::GetDlgItem(box, id)) return text;
  }
  return nullptr;
}

struct Search {
  DWORD processId;
  std::vector<HWND> dialogs;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && ::IsWindowVisible(window) && IsDialogClass(window)) {
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

bool IsDialogClass(HWND window) {
  wchar_t name[16] = {};
  ::GetClassNameW(window, name, 16);
  return wcscmp(name, L"#32770") == 0;
}

bool IsMessageBox(HWND dialog) { return MessageBoxTextControl(dialog) != nullptr; }

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
  if (!window) return std::wstring();
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs,
                             &length)) {
    return std::wstring();
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]),
                             SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied)) {
    return std::wstring();
  }
  text.resize(copied);
  return text;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result);
  return static_cast<LRESULT>(result);
}

std::wstring MessageBoxText(HWND box) { return WindowText(MessageBoxTextControl(box)); }

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
