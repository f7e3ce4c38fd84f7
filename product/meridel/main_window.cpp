#include "product/meridel/main_window.h"

#include <cstdio>

#include "platform/file_version_info.h"

namespace qw::meridel {
namespace {

std::wstring VersionText() {
  const std::uint64_t v = FileVersionInfo::FromRunningModule().FixedFileVersion();
  wchar_t text[64];
  std::swprintf(text, 64, L"%u.%u.%u.%u", static_cast<unsigned>(v >> 48), static_cast<unsigned>((v >> 32) & 0xFFFF),
                static_cast<unsigned>((v >> 16) & 0xFFFF), static_cast<unsigned>(v & 0xFFFF));
  return text;
}

void DrawLine(HDC dc, RECT& area, const std::wstring& text, UINT flags = 0) {
  RECT measure = area;
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measure, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | flags);
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, DT_WORDBREAK | DT_NOPREFIX | flags);
  area.top += (measure.bottom - measure.top) + 8;
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
    LOGFONTW title = metrics.lfMessageFont;
    title.lfHeight = title.lfHeight * 2;
    title.lfWeight = FW_BOLD;
    titleFont_.reset(::CreateFontIndirectW(&title));
  }
  window_ = ::CreateWindowExW(0, kMainWindowClass, texts_.title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 560, 300, nullptr, nullptr, instance, this);
  if (!window_) return false;
  ::ShowWindow(window_, show);
  ::UpdateWindow(window_);
  return true;
}

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = ::BeginPaint(window, &paint);
      RECT client;
      ::GetClientRect(window, &client);
      if (self) self->Paint(dc, client);
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

void MainWindow::Paint(HDC dc, const RECT& client) const {
  RECT area = client;
  ::InflateRect(&area, -16, -16);
  ::SetBkMode(dc, TRANSPARENT);
  const HGDIOBJ previous = ::SelectObject(dc, titleFont_ ? static_cast<HGDIOBJ>(titleFont_.get())
                                                         : ::GetStockObject(DEFAULT_GUI_FONT));
  DrawLine(dc, area, texts_.title);
  ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
  DrawLine(dc, area, texts_.maker + L" \x2013 " + version_);
  DrawLine(dc, area, texts_.description);
  const std::wstring source = texts_.libraryFile.empty() ? std::wstring(L"(built-in texts)") : texts_.libraryFile;
  DrawLine(dc, area, texts_.languageName + L": " + source);
  ::SelectObject(dc, previous);
}

}  // namespace qw::meridel
