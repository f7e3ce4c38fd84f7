#include "platform/message_box_service.h"

#include "platform/file_version_info.h"

namespace qw {

namespace {

struct Providers {
  CaptionProvider caption;
  IconProvider icon;
};

Providers& ProvidersRecord() {
  static Providers providers;
  return providers;
}

// A CBT hook gives the box its title-bar icon while the box is created; the
// system's MessageBox has no parameter for it.
thread_local HICON t_pendingIcon = nullptr;
thread_local HHOOK t_hook = nullptr;

LRESULT CALLBACK SetIconOnActivate(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && t_pendingIcon) {
    HWND box = reinterpret_cast<HWND>(wParam);
    ::SendMessageW(box, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(t_pendingIcon));
    ::SendMessageW(box, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(t_pendingIcon));
    t_pendingIcon = nullptr;
  }
  return ::CallNextHookEx(t_hook, code, wParam, lParam);
}

}  // namespace

void SetMessageBoxCaptionProvider(CaptionProvider provider) {
  ProvidersRecord().caption = std::move(provider);
}

void SetMessageBoxIconProvider(IconProvider provider) {
  ProvidersRecord().icon = std::move(provider);
}

std::wstring MessageBoxCaption() {
  const Providers& p = ProvidersRecord();
  if (p.caption) {
    std::wstring caption = p.caption();
    if (!caption.empty()) return caption;
  }
  // The platform does not know the installer's language: the thread's
  // locale, which the language state sets when it starts, spells the name.
  return FileVersionInfo::FromRunningModule().DisplayName(::GetThreadLocale());
}

HICON MessageBoxIcon() {
  const Providers& p = ProvidersRecord();
  return p.icon ? p.icon() : nullptr;
}

int ShowMessageBox(HWND owner, const std::wstring& text, UINT type) {
  const std::wstring caption = MessageBoxCaption();
  HICON icon = MessageBoxIcon();
  if (icon && !t_hook) {
    t_pendingIcon = icon;
    t_hook = ::SetWindowsHookExW(WH_CBT, SetIconOnActivate, nullptr, ::GetCurrentThreadId());
  }
  const int answer = ::MessageBoxW(owner, text.c_str(), caption.c_str(), type);
  if (t_hook) {
    ::UnhookWindowsHookEx(t_hook);
    t_hook = nullptr;
    t_pendingIcon = nullptr;
  }
  return answer;
}

}  // namespace qw
