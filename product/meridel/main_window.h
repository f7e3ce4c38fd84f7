#pragma once
// The sample program's one window: it says what the program is, in the
// user's language, with the product's version and the language library it
// read. It has no menu and no document; closing it ends the program.

#include <windows.h>

#include "platform/handles.h"
#include "product/meridel/product_texts.h"

namespace qw::meridel {

inline constexpr wchar_t kMainWindowClass[] = L"QwMeridelSampleWindow";

struct FontTraits {
  using Handle = HFONT;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::DeleteObject(h); }
};
using UniqueFont = ScopedHandle<FontTraits>;

class MainWindow {
 public:
  explicit MainWindow(ProductTexts texts);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  ~MainWindow();

  // Registers the class and creates the window, shown with `show`. False
  // when either fails (GetLastError tells why); nothing is left behind.
  bool Create(HINSTANCE instance, int show);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Paint(HDC dc, const RECT& client) const;

  ProductTexts texts_;
  std::wstring version_;
  HWND window_ = nullptr;
  UniqueFont titleFont_;
};

}  // namespace qw::meridel
