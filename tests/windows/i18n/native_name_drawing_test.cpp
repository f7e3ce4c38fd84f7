// The Start page lists the product languages by their native names in the
// dialogs' font. Every letter of every name must come out as a letter: not
// as the font's missing-glyph box and not as nothing. This depends on the
// fonts the system has for "MS Shell Dlg" (and its font links), so it is
// checked by drawing, as the language list draws.
#include "i18n/language_state.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace qw {
namespace {

// A small 32-bit memory bitmap to draw one text into.
class TextCanvas {
 public:
  static constexpr int kWidth = 48;
  static constexpr int kHeight = 32;

  TextCanvas() : dc_(::CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    if (bitmap_) previousBitmap_ = ::SelectObject(dc_, bitmap_);
  }
  ~TextCanvas() {
    if (previousFont_) ::SelectObject(dc_, previousFont_);
    if (font_) ::DeleteObject(font_);
    if (previousBitmap_) ::SelectObject(dc_, previousBitmap_);
    if (bitmap_) ::DeleteObject(bitmap_);
    if (dc_) ::DeleteDC(dc_);
  }
  TextCanvas(const TextCanvas&) = delete;
  TextCanvas& operator=(const TextCanvas&) = delete;

  bool ready() const { return bits_ != nullptr; }

  // The dialog font of the wizard's templates: "MS Shell Dlg", 8 points.
  void SelectDialogFont() {
    HDC screen = ::GetDC(nullptr);
    const int height = -::MulDiv(8, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    ::ReleaseDC(nullptr, screen);
    font_ = ::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg");
    previousFont_ = ::SelectObject(dc_, font_);
  }

  // The pixels of `text` drawn black on white.
  std::vector<DWORD> Draw(const std::wstring& text) {
    ::PatBlt(dc_, 0, 0, kWidth, kHeight, WHITENESS);
    ::GdiFlush();
    ::SetTextColor(dc_, RGB(0, 0, 0));
    ::SetBkMode(dc_, TRANSPARENT);
    ::TextOutW(dc_, 4, 4, text.c_str(), static_cast<int>(text.size()));
    ::GdiFlush();
    return std::vector<DWORD>(bits_, bits_ + kWidth * kHeight);
  }

 private:
  HDC dc_;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previousBitmap_ = nullptr;
  HFONT font_ = nullptr;
  HGDIOBJ previousFont_ = nullptr;
  DWORD* bits_ = nullptr;
};

bool IsBlank(const std::vector<DWORD>& pixels) {
  for (DWORD pixel : pixels) {
    if ((pixel & 0xFFFFFF) != 0xFFFFFF) return false;
  }
  return true;
}

TEST(NativeNameDrawing, EveryLetterOfEveryProductLanguageHasAGlyph) {
  TextCanvas canvas;
  ASSERT_TRUE(canvas.ready());
  canvas.SelectDialogFont();
  // U+0378 is unassigned: no font has it, so it is drawn as the missing glyph.
  const std::vector<DWORD> missing = canvas.Draw(L"\u0378");
  ASSERT_FALSE(IsBlank(missing)) << "the missing glyph draws nothing: the comparison would prove nothing";

  int checked = 0;
  for (LanguageIndex index = 0; index < kLanguageCount; ++index) {
    if (!IsProductLanguage(index)) continue;
    const std::wstring name = LanguageNativeName(index);
    ASSERT_FALSE(name.empty()) << "no native name for language " << index;
    for (wchar_t letter : name) {
      if (letter == L' ' || letter == L'(' || letter == L')') continue;
      const std::vector<DWORD> drawn = canvas.Draw(std::wstring(1, letter));
      EXPECT_NE(drawn, missing) << "language " << index << ": U+" << std::hex << static_cast<unsigned>(letter)
                                << " is drawn as a box";
      EXPECT_FALSE(IsBlank(drawn)) << "language " << index << ": U+" << std::hex << static_cast<unsigned>(letter)
                                   << " is drawn as nothing";
      ++checked;
    }
  }
  EXPECT_GT(checked, 60);
}

}  // namespace
}  // namespace qw
