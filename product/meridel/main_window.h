#pragma once
// The sample program's one window: it says what the program is, in the
// user's language, with the product's version and the language library it
// read. Its texts are static controls, so that other programs (and tests)
// can read them. It has no menu and no document; closing it ends the
// program.

#include <windows.h>

#include "platform/handles.h"
#include "product/meridel/product_texts.h"

namespace qw::meridel {

inline constexpr wchar_t kMainWindowClass[] = L"QwMeridelSampleWindow";

// Control ids of the window's texts.
inline constexpr int kTitleTextId = 101;
inline constexpr int kMakerTextId = 102;
inline constexpr int kDescriptionTextId = 103;
inline constexpr int kLanguageTextId = 104;

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

  // Registers the class and creates the window with its texts, shown with
  // `show`. False when the window cannot be made (GetLastError tells why);
  // nothing is left behind.
  bool Create(HINSTANCE instance, int show);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void CreateTexts();
  void Layout(int width, int height);
  void PaintIcon(HDC dc) const;

  ProductTexts texts_;
  std::wstring version_;
  HWND window_ = nullptr;
  UniqueFont titleFont_;
  UniqueFont textFont_;
};

}  // namespace qw::meridel
