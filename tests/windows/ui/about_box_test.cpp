// The About box of the system menu: title, the installer's name and
// copyright from its version resource, the maker's contacts, OK, and the
// application icon as the screen shows it.
#include <gtest/gtest.h>

#include <memory>
#include <type_traits>
#include <vector>

#include "build_tree.h"
#include "installer_robot.h"
#include "platform/handles.h"
#include "wizard_expectations.h"

namespace qw::test {
namespace {

// Every text of the dialog's controls, one after the other.
std::wstring AllTexts(HWND dialog) {
  std::wstring all;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    all += WindowText(child) + L"\n";
  }
  return all;
}

TEST(AboutBox, OpensFromTheSystemMenuWithTitleAndTexts) {
  InstallerRobot robot;
  ASSERT_TRUE(robot.Start(QW_TEST_INSTALLER));
  ASSERT_TRUE(robot.SystemCommand(0x0010));
  HWND about = robot.WaitForDialog();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(WindowText(about), L"About 'Installer'");
  EXPECT_EQ(WindowText(::GetDlgItem(about, IDC_ABOUT_NAME)), L"Install 2.03a");
  EXPECT_EQ(WindowText(::GetDlgItem(about, IDC_ABOUT_COPYRIGHT)),
            L"Copyright \u00A9 2026 Quillon Works. All rights reserved.");
  EXPECT_EQ(WindowText(::GetDlgItem(about, IDOK)), L"OK");
  const std::wstring texts = AllTexts(about);
  for (const wchar_t* contact : {L"Lyon", L"Telephone", L"Fax", L"support@quillonworks.com",
                                 L"www.quillonworks.com"}) {
    EXPECT_NE(texts.find(contact), std::wstring::npos) << "missing contact line";
  }
  ASSERT_TRUE(InstallerRobot::ClickIn(about, IDOK));
  EXPECT_TRUE(InstallerRobot::WaitForClose(about));
  EXPECT_TRUE(robot.Running());
}

// Owners of the GDI objects the comparison makes.
struct DcReleaser {
  void operator()(HDC dc) const { ::ReleaseDC(nullptr, dc); }
};
struct DcDeleter {
  void operator()(HDC dc) const { ::DeleteDC(dc); }
};
struct ObjectDeleter {
  void operator()(HGDIOBJ object) const { ::DeleteObject(object); }
};
using ScreenDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcReleaser>;
using MemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;
using GdiObject = std::unique_ptr<std::remove_pointer_t<HGDIOBJ>, ObjectDeleter>;

// A top-down 32-bit picture of `width` x `height`: the screen at `origin`,
// or `icon` drawn over `background`.
class Picture {
 public:
  Picture(int width, int height) : width_(width), height_(height) {
    screen_.reset(::GetDC(nullptr));
    memory_.reset(::CreateCompatibleDC(screen_.get()));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    bitmap_.reset(::CreateDIBSection(screen_.get(), &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_),
                                     nullptr, 0));
    if (bitmap_) ::SelectObject(memory_.get(), bitmap_.get());
  }
  bool FromScreen(POINT origin) {
    return bits_ && ::BitBlt(memory_.get(), 0, 0, width_, height_, screen_.get(), origin.x, origin.y, SRCCOPY);
  }
  bool FromIcon(HICON icon, COLORREF background) {
    if (!bits_) return false;
    GdiObject brush(::CreateSolidBrush(background));
    RECT all{0, 0, width_, height_};
    ::FillRect(memory_.get(), &all, static_cast<HBRUSH>(brush.get()));
    return ::DrawIconEx(memory_.get(), 0, 0, icon, width_, height_, 0, nullptr, DI_NORMAL);
  }
  // The share of pixels that differ from `other` by more than a rounding
  // error in any channel.
  double Difference(const Picture& other) const {
    int differing = 0;
    for (int i = 0; i < width_ * height_; ++i) {
      for (int shift : {0, 8, 16}) {
        const int a = (bits_[i] >> shift) & 0xFF, b = (other.bits_[i] >> shift) & 0xFF;
        if (a - b > 24 || b - a > 24) {
          ++differing;
          break;
        }
      }
    }
    return static_cast<double>(differing) / (width_ * height_);
  }

 private:
  int width_, height_;
  ScreenDc screen_;
  MemoryDc memory_;
  GdiObject bitmap_;
  DWORD* bits_ = nullptr;
};

// The dialog's icon control (a static of style SS_ICON).
HWND IconControl(HWND dialog) {
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return child;
  }
  return nullptr;
}

TEST(AboutBox, ShowsTheApplicationIcon) {
  // Compared with the icon file the build drew, not with the installer's
  // resources: those are what is under test.
  const int size = ::GetSystemMetrics(SM_CXICON);
  UniqueIcon expected(static_cast<HICON>(
      ::LoadImageW(nullptr, QW_APPLICATION_ICON_FILE, IMAGE_ICON, size, size, LR_LOADFROMFILE)));
  ASSERT_TRUE(expected) << "cannot load " << ::GetLastError();

  InstallerRobot robot;
  ASSERT_TRUE(robot.Start(QW_TEST_INSTALLER));
  ASSERT_TRUE(robot.SystemCommand(0x0010));
  HWND about = robot.WaitForDialog();
  ASSERT_NE(about, nullptr);
  HWND icon = IconControl(about);
  ASSERT_NE(icon, nullptr) << "no icon control";
  RECT rect{};
  ASSERT_TRUE(::GetWindowRect(icon, &rect));
  EXPECT_EQ(rect.right - rect.left, size);
  EXPECT_EQ(rect.bottom - rect.top, size);
  // Painted by now: the dialog answered the robot.
  ::UpdateWindow(about);
  Picture shown(size, size), drawn(size, size);
  ASSERT_TRUE(shown.FromScreen({rect.left, rect.top}));
  ASSERT_TRUE(drawn.FromIcon(expected.get(), ::GetSysColor(COLOR_BTNFACE)));
  EXPECT_LT(shown.Difference(drawn), 0.02) << "the About box does not show the application icon";

  ASSERT_TRUE(InstallerRobot::ClickIn(about, IDOK));
  EXPECT_TRUE(InstallerRobot::WaitForClose(about));
}

}  // namespace
}  // namespace qw::test
