#include "product/meridel/main_window.h"

#include <cstdio>

#include "platform/file_version_info.h"

namespace qw::meridel {
namespace {

constexpr int kMargin = 16;
constexpr int kIconSize = 48;

std::wstring VersionText() {
  const std::uint64_t v = FileVersionInfo::FromRunningModule().FixedFileVersion();
  wchar_t text[64];
  std::swprintf(text, 64, L"%u.%u.%u.%u", static_cast<unsigned>(v >> 48), static_cast<unsigned>((v >> 32) & 0xFFFF),
                static_cast<unsigned>((v >> 16) & 0xFFFF), static_cast<unsigned>(v & 0xFFFF));
  return text;
}

}  // namespace

MainWindow::MainWindow(ProductTexts texts) : texts_(std::move(texts)), version_(VersionText()) {}

MainWindow::~MainWindow() {
  if (window_) ::DestroyWindow(window_);
}

bool MainWindow::Create(HINSTANCE instance, int show) {
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &MainWindow::Procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(128));
  windowClass.hIconSm = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(128), IMAGE_ICON,
                                                         ::GetSystemMetrics(SM_CXSMICON),
                                                         ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kMainWindowClass;
  if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    textFont_.reset(::CreateFontIndirectW(&metrics.lfMessageFont));
    LOGFONTW title = metrics.lfMessageFont;
    title.lfHeight = title.lfHeight * 2;
    title.lfWeight = FW_BOLD;
    titleFont_.reset(::CreateFontIndirectW(&title));
  }
  window_ = ::CreateWindowExW(0, kMainWindowClass, texts_.title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 600, 240, nullptr, nullptr, instance, this);
  if (!window_) return false;
  CreateTexts();
  RECT client;
  ::GetClientRect(window_, &client);
  Layout(client.right, client.bottom);
  ::ShowWindow(window_, show);
  ::UpdateWindow(window_);
  return true;
}

void MainWindow::CreateTexts() {
  const std::wstring source = texts_.libraryFile.empty() ? std::wstring(L"(built-in texts)") : texts_.libraryFile;
  const struct {
    int id;
    std::wstring text;
    HFONT font;
  } texts[] = {{kTitleTextId, texts_.title, titleFont_.get()},
               {kMakerTextId, texts_.maker + L" \x2013 " + version_, textFont_.get()},
               {kDescriptionTextId, texts_.description, textFont_.get()},
               {kLanguageTextId, texts_.languageName + L": " + source, textFont_.get()}};
  const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(window_, GWLP_HINSTANCE));
  for (const auto& t : texts) {
    const HWND control = ::CreateWindowExW(0, L"STATIC", t.text.c_str(), WS_CHILD | WS_VISIBLE | SS_NOPREFIX,
                                           0, 0, 0, 0, window_,
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(t.id)), instance, nullptr);
    if (control && t.font) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(t.font), FALSE);
  }
}

void MainWindow::Layout(int width, int height) {
  const int left = kMargin + kIconSize + kMargin, textWidth = width - left - kMargin;
  const struct {
    int id;
    int height;
  } rows[] = {{kTitleTextId, 36}, {kMakerTextId, 22}, {kDescriptionTextId, 40}, {kLanguageTextId, 40}};
  int top = kMargin;
  for (const auto& row : rows) {
    if (top >= height) break;
    ::MoveWindow(::GetDlgItem(window_, row.id), left, top, textWidth > 0 ? textWidth : 0, row.height, TRUE);
    top += row.height + 4;
  }
}

void MainWindow::PaintIcon(HDC dc) const {
  const auto icon = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128), IMAGE_ICON,
                                                    kIconSize, kIconSize, LR_SHARED));
  if (icon) ::DrawIconEx(dc, kMargin, kMargin, icon, kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
}

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_SIZE:
      if (self && self->window_) self->Layout(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_CTLCOLORSTATIC:
      // The texts sit on the window's own background.
      ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = ::BeginPaint(window, &paint);
      if (self) self->PaintIcon(dc);
      ::EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY:
      if (self) self->window_ = nullptr;
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace qw::meridel
