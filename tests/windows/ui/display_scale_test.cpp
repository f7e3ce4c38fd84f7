// The wizard at 100, 125, 150 and 200 % display scale, as a user sees it on
// the screen: the banner fills its band as at 96 DPI, the language list's
// flags are drawn at the scaled size of its images, the About box shows the
// application icon at the system's icon size; and screenshots of the pages
// and the uninstaller's question at 150 and 200 % in English and German.
// Each installer starts with HKCU\Control Panel\Desktop "LogPixels" set for
// its start only (see display_scale.h); these tests run alone.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <cstdlib>
#include <fstream>
#include <list>
#include <iostream>
#include <sstream>
#include <memory>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

#include "build_tree.h"
#include "child_process.h"
#include "engine/uninstall_log.h"
#include "display_scale.h"
#include "installer_copy.h"
#include "installer_robot.h"
#include "machine_cleanup.h"
#include "payload/wide_path.h"
#include "platform/handles.h"
#include "registry_value_guard.h"
#include "product/uninstaller/uninstaller_resources.h"
#include "ui/window_icons.h"
#include "wine.h"
#include "wizard_expectations.h"

namespace qw::test {
namespace {

constexpr int kDesignDpi = 96;
int Scaled(int size, int dpi) { return ::MulDiv(size, dpi, kDesignDpi); }

// The 96-DPI banner's size and the list's 96-DPI flag images.
constexpr int kBannerWidth = 126;
constexpr int kFlagWidth = 18, kFlagHeight = 12;
constexpr int kIconSize = 32;

// The screen's pixels in `rect` (screen coordinates), read once.
class ScreenPixels {
 public:
  explicit ScreenPixels(const RECT& rect)
      : width_(rect.right - rect.left), height_(rect.bottom - rect.top) {
    if (width_ <= 0 || height_ <= 0) return;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap) {
      HGDIOBJ old = ::SelectObject(memory, bitmap);
      if (::BitBlt(memory, 0, 0, width_, height_, screen, rect.left, rect.top, SRCCOPY)) {
        const auto* pixels = static_cast<const DWORD*>(bits);
        pixels_.assign(pixels, pixels + static_cast<std::size_t>(width_) * height_);
      }
      ::SelectObject(memory, old);
      ::DeleteObject(bitmap);
    }
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
  }
  bool valid() const { return !pixels_.empty(); }
  int width() const { return width_; }
  int height() const { return height_; }
  DWORD Pixel(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x] & 0xFFFFFF; }
  bool White(int x, int y) const { return Pixel(x, y) == 0xFFFFFF; }

 private:
  int width_, height_;
  std::vector<DWORD> pixels_;
};

RECT ScreenRect(HWND window) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  return rect;
}

// A picture file the build drew, as top-down 0x00RRGGBB pixels.
struct DrawnPicture {
  int width = 0, height = 0;
  std::vector<DWORD> pixels;
};

DrawnPicture LoadDrawnPicture(const std::wstring& path) {
  DrawnPicture picture;
  UniqueBitmap bitmap(static_cast<HBITMAP>(
      ::LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
  BITMAP shape{};
  if (!bitmap || !::GetObjectW(bitmap.get(), sizeof shape, &shape)) return picture;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = shape.bmWidth;
  info.bmiHeader.biHeight = -shape.bmHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<DWORD> pixels(static_cast<std::size_t>(shape.bmWidth) * shape.bmHeight);
  HDC screen = ::GetDC(nullptr);
  const int rows = ::GetDIBits(screen, bitmap.get(), 0, static_cast<UINT>(shape.bmHeight), pixels.data(), &info,
                               DIB_RGB_COLORS);
  ::ReleaseDC(nullptr, screen);
  if (rows != shape.bmHeight) return picture;
  picture.width = shape.bmWidth;
  picture.height = shape.bmHeight;
  picture.pixels = std::move(pixels);
  return picture;
}

// Where in the band the drawn picture is shown pixel for pixel: the offset
// (near the centre) with the fewest differing pixels, and their share.
struct PictureMatch {
  POINT offset{-1, -1};
  double differing = 1.0;
};

PictureMatch FindPicture(const ScreenPixels& band, const DrawnPicture& picture) {
  PictureMatch best;
  const int centreX = (band.width() - picture.width) / 2, centreY = (band.height() - picture.height) / 2;
  for (int dy = -2; dy <= 2; ++dy) {
    for (int dx = -2; dx <= 2; ++dx) {
      const int left = centreX + dx, top = centreY + dy;
      if (left < 0 || top < 0 || left + picture.width > band.width() || top + picture.height > band.height()) continue;
      int differing = 0;
      for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
          const DWORD shown = band.Pixel(left + x, top + y);
          const DWORD drawn = picture.pixels[static_cast<std::size_t>(y) * picture.width + x] & 0xFFFFFF;
          for (int shift : {0, 8, 16}) {
            if (std::abs(static_cast<int>((shown >> shift) & 0xFF) - static_cast<int>((drawn >> shift) & 0xFF)) > 8) {
              ++differing;
              break;
            }
          }
        }
      }
      const double share = static_cast<double>(differing) / (picture.width * picture.height);
      if (share < best.differing) best = {{left, top}, share};
    }
  }
  return best;
}

// The flag that the language list's field shows, measured on the screen
// through the middle of the field: after the field's border and the white
// gap, the run of coloured pixels (the German flag has no white).
SIZE FlagOnScreen(HWND list) {
  const ScreenPixels pixels(ScreenRect(list));
  if (!pixels.valid()) return {0, 0};
  const int middle = pixels.height() / 2;
  int x = 0;
  while (x < pixels.width() && !pixels.White(x, middle)) ++x;  // the border
  while (x < pixels.width() && pixels.White(x, middle)) ++x;   // the gap
  const int left = x;
  while (x < pixels.width() && !pixels.White(x, middle)) ++x;
  const int width = x - left;
  if (width <= 0) return {0, 0};
  const int column = left + width / 2;
  int top = middle, bottom = middle;
  while (top > 0 && !pixels.White(column, top - 1)) --top;
  while (bottom + 1 < pixels.height() && !pixels.White(column, bottom + 1)) ++bottom;
  return {width, bottom - top + 1};
}

struct FontDeleter {
  void operator()(HFONT font) const { ::DeleteObject(font); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// The dialog font ("MS Shell Dlg" 8) as a program at `dpi` gets it.
UniqueFont DialogFontAt(int dpi) {
  return UniqueFont(::CreateFontW(-::MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg"));
}

// A dialog unit across in pixels, x 4: what the dialog manager computes
// from the font's average letter width.
int HorizontalBaseUnit(HDC dc) {
  const wchar_t letters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE size{};
  ::GetTextExtentPoint32W(dc, letters, 52, &size);
  return (size.cx / 26 + 1) / 2;
}

std::wstring WithoutAccelerators(const std::wstring& text) {
  std::wstring plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && i + 1 < text.size()) ++i;
    plain += text[i];
  }
  return plain;
}

// The controls of `window` and of its child dialogs whose text does not fit
// them in `font`, each as "text (needed w x h, has w x h)": word-wrapped
// statics by the height their lines take, buttons, check boxes, radio
// buttons and group boxes by the width of their one line beside what their
// frame or box takes (`dpi` sizes the box).
BOOL CALLBACK AddChild(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

std::vector<std::string> ClippedTexts(HWND window, HDC dc, int dpi) {
  std::vector<std::string> clipped;
  std::vector<HWND> controls;
  ::EnumChildWindows(window, AddChild, reinterpret_cast<LPARAM>(&controls));
  for (HWND control : controls) {
    wchar_t className[32] = {};
    ::GetClassNameW(control, className, 32);
    const std::wstring text = WindowText(control);
    if (text.empty()) continue;
    const LONG style = ::GetWindowLongW(control, GWL_STYLE);
    RECT client{};
    ::GetClientRect(control, &client);
    SIZE needed{};
    bool fits = true;
    if (::lstrcmpiW(className, L"Static") == 0) {
      const LONG type = style & SS_TYPEMASK;
      if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT) continue;
      RECT rect{0, 0, client.right, 0};
      ::DrawTextW(dc, text.c_str(), -1, &rect,
                  DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0));
      needed = {rect.right, rect.bottom};
      fits = needed.cx <= client.right && needed.cy <= client.bottom;
    } else if (::lstrcmpiW(className, L"Button") == 0) {
      const LONG type = style & BS_TYPEMASK;
      const std::wstring line = WithoutAccelerators(text);
      ::GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &needed);
      int frame = 0;
      if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) frame = 4;
      else if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON)
        frame = ::MulDiv(13, dpi, kDesignDpi) + 3;
      else if (type == BS_GROUPBOX) frame = ::MulDiv(10, dpi, kDesignDpi);
      else continue;
      fits = needed.cx + frame <= client.right && needed.cy <= client.bottom;
      needed.cx += frame;
    } else {
      continue;
    }
    if (!fits) {
      const std::string narrow = ::testing::PrintToString(text);
      clipped.push_back(narrow + " (needs " + std::to_string(needed.cx) + " x " + std::to_string(needed.cy) +
                        ", has " + std::to_string(client.right) + " x " + std::to_string(client.bottom) + ")");
    }
  }
  return clipped;
}

class DisplayScale : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SeeWindowsInScreenPixels()) << "no per-monitor DPI awareness for the robot";
    const ProbeResult probe = ProbeDisplayScale(QW_DPI_PROBE, 144);
    if (!probe.works) GTEST_SKIP() << probe.finding;
  }

  // The installer started at `dpi` in `locale`. LogPixels is back as it
  // was once its window is up: the process read it when it started.
  static bool StartAt(InstallerRobot& robot, int dpi, const wchar_t* locale,
                      const std::wstring& installer = QW_TEST_INSTALLER) {
    DisplayScaleSetting scale(QW_DPI_PROBE, dpi);
    return scale.ok() && robot.Start(installer, locale);
  }

  // The banner fills the band as at 96 DPI, the flags have the list's
  // scaled image size, and the About box shows the icon at the system's
  // icon size of that DPI.
  static void CheckPicturesAt(int dpi, const wchar_t* bannerFile) {
    SCOPED_TRACE(std::to_string(dpi) + " DPI");
    InstallerRobot robot;
    ASSERT_TRUE(StartAt(robot, dpi, L"de_DE.UTF-8"));
    robot.BringToFront();
    ::Sleep(500);  // the first paint

    // The picture drawn for the DPI, pixel for pixel, centred in the band
    // as the 96-DPI one is at 96 DPI: each of these bands is larger than
    // its picture, so none is reduced.
    const ScreenPixels band(ScreenRect(robot.Control(IDC_BAND)));
    ASSERT_TRUE(band.valid());
    const DrawnPicture drawn = LoadDrawnPicture(std::wstring(QW_ARTWORK_FOLDER) + L"\\" + bannerFile);
    ASSERT_GT(drawn.width, 0) << "cannot read the drawn banner";
    EXPECT_EQ(drawn.width, Scaled(kBannerWidth, dpi));
    const PictureMatch match = FindPicture(band, drawn);
    const std::string sizes = "picture " + std::to_string(drawn.width) + " x " + std::to_string(drawn.height) +
                              " at " + std::to_string(match.offset.x) + ", " + std::to_string(match.offset.y) +
                              " in the band of " + std::to_string(band.width()) + " x " +
                              std::to_string(band.height()) + ", " + std::to_string(match.differing * 100) +
                              " % of its pixels differ";
    std::cout << dpi << " DPI: " << sizes << "\n";
    EXPECT_LT(match.differing, 0.01) << sizes;
    EXPECT_LE(std::abs(2 * match.offset.x + drawn.width - band.width()), 1) << sizes;
    EXPECT_LE(std::abs(2 * match.offset.y + drawn.height - band.height()), 1) << sizes;

    const SIZE flag = FlagOnScreen(robot.Control(kLanguageList));
    EXPECT_EQ(flag.cx, Scaled(kFlagWidth, dpi));
    EXPECT_EQ(flag.cy, Scaled(kFlagHeight, dpi));
    std::cout << dpi << " DPI: flag " << flag.cx << " x " << flag.cy << "\n";

    ASSERT_TRUE(robot.SystemCommand(0x0010));
    HWND about = robot.WaitForDialog();
    ASSERT_NE(about, nullptr);
    const RECT icon = ScreenRect(FindStaticOfType(about, SS_ICON));
    EXPECT_EQ(icon.right - icon.left, Scaled(kIconSize, dpi));
    EXPECT_EQ(icon.bottom - icon.top, Scaled(kIconSize, dpi));
    ASSERT_TRUE(InstallerRobot::ClickIn(about, IDOK));
    ASSERT_TRUE(InstallerRobot::WaitForClose(about));
    ASSERT_TRUE(robot.Click(kExit));
    HWND confirm = robot.WaitForDialog();  // the installation is not complete
    ASSERT_NE(confirm, nullptr);
    ASSERT_TRUE(InstallerRobot::ClickIn(confirm, IDYES));
    EXPECT_TRUE(robot.WaitForExit());
  }
};

TEST_F(DisplayScale, PicturesAt96DpiAreTheDesignSizes) { CheckPicturesAt(96, L"banner.bmp"); }
TEST_F(DisplayScale, PicturesAt120DpiFillTheirPlaces) { CheckPicturesAt(120, L"banner_125.bmp"); }
TEST_F(DisplayScale, PicturesAt144DpiFillTheirPlaces) { CheckPicturesAt(144, L"banner_150.bmp"); }
TEST_F(DisplayScale, PicturesAt192DpiFillTheirPlaces) { CheckPicturesAt(192, L"banner_200.bmp"); }

// The eight languages with installer texts: their place in the Start
// page's list and their LanguageIndex.
struct CompleteLanguage {
  const char* name;
  int listPosition;
  DWORD index;
};
constexpr CompleteLanguage kCompleteLanguages[] = {
    {"French", 0, 0},  {"English", 1, 1},    {"German", 2, 2},  {"Spanish", 3, 3},
    {"Italian", 4, 11}, {"Portuguese", 5, 4}, {"Turkish", 8, 7}, {"Romanian", 9, 9}};

// A memory device context holding the dialog font at `dpi`.
class MeasuringDc {
 public:
  explicit MeasuringDc(int dpi) : font_(DialogFontAt(dpi)) {
    HDC screen = ::GetDC(nullptr);
    dc_ = ::CreateCompatibleDC(screen);
    ::ReleaseDC(nullptr, screen);
    previous_ = ::SelectObject(dc_, font_.get());
  }
  ~MeasuringDc() {
    ::SelectObject(dc_, previous_);
    ::DeleteDC(dc_);
  }
  MeasuringDc(const MeasuringDc&) = delete;
  MeasuringDc& operator=(const MeasuringDc&) = delete;
  HDC get() const { return dc_; }

 private:
  UniqueFont font_;
  HDC dc_;
  HGDIOBJ previous_;
};

std::string Listed(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) all += "\n  " + line;
  return all;
}

TEST_F(DisplayScale, NoTextIsCutAtAnyScaleInTheEightCompleteLanguages) {
  std::vector<std::string> clipped;
  for (int dpi : {96, 120, 144, 192}) {
    SCOPED_TRACE(std::to_string(dpi) + " DPI");
    InstallerRobot robot;
    ASSERT_TRUE(StartAt(robot, dpi, L"en_US.UTF-8"));
    const MeasuringDc dc(dpi);
    // The measuring font is the wizard's: it makes the band (84 dialog
    // units) as wide as the wizard does.
    const RECT band = ScreenRect(robot.Control(IDC_BAND));
    ASSERT_EQ(::MulDiv(84, HorizontalBaseUnit(dc.get()), 4), band.right - band.left) << "not the wizard's font";
    for (const CompleteLanguage& language : kCompleteLanguages) {
      ASSERT_TRUE(robot.ChooseComboItem(kLanguageList, language.listPosition)) << language.name;
      const std::string where = std::to_string(dpi) + " DPI, " + language.name + ": ";
      for (const std::string& text : ClippedTexts(robot.Wizard(), dc.get(), dpi)) clipped.push_back(where + text);
      ASSERT_TRUE(robot.SystemCommand(0x0010));
      HWND about = robot.WaitForDialog();
      ASSERT_NE(about, nullptr);
      for (const std::string& text : ClippedTexts(about, dc.get(), dpi)) clipped.push_back(where + "About box: " + text);
      ASSERT_TRUE(InstallerRobot::ClickIn(about, IDOK));
      ASSERT_TRUE(InstallerRobot::WaitForClose(about));
    }
  }
  EXPECT_TRUE(clipped.empty()) << "texts cut off:" << Listed(clipped);
}

// The uninstaller's question, in each language the uninstall entry can
// name, over a log of its own in a scratch folder (cancelled: nothing is
// removed).
TEST_F(DisplayScale, TheUninstallerQuestionCutsNoTextAtAnyScaleInTheEightCompleteLanguages) {
  const std::wstring folder = std::wstring(TestProgramFolder()) + UniqueName(L"qwtest_scaled_uninstaller");
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring uninstaller = folder + L"\\Uninstall.exe", log = folder + L"\\Uninstall.ulog";
  struct Cleanup {
    std::wstring uninstaller, log, folder;
    ~Cleanup() {
      ::SetFileAttributesW(log.c_str(), FILE_ATTRIBUTE_NORMAL);
      ::DeleteFileW(log.c_str());
      ::DeleteFileW(uninstaller.c_str());
      ::RemoveDirectoryW(folder.c_str());
    }
  } cleanup{uninstaller, log, folder};
  ASSERT_TRUE(::CopyFileW(QW_PRODUCT_UNINSTALLER, uninstaller.c_str(), FALSE));
  JournalEntry key;
  key.kind = JournalEntryKind::UninstallKey;
  key.done = true;
  std::list<JournalEntry> entries{key};
  ASSERT_TRUE(UninstallLog::Write(log, {L"Meridel 6.07c", L"Meridel 6"}, entries, folder, L"", L""));
  const wchar_t* entry = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Meridel 6";
  RegistryValueGuard language(HKEY_LOCAL_MACHINE, entry, L"QwLanguage");

  std::vector<std::string> clipped;
  std::map<std::wstring, std::string> questions;  // one per language: each was spoken
  for (int dpi : {96, 120, 144, 192}) {
    const MeasuringDc dc(dpi);
    for (const CompleteLanguage& each : kCompleteLanguages) {
      const std::string where = std::to_string(dpi) + " DPI, " + each.name + ": ";
      ASSERT_TRUE(SetRegistryValue(HKEY_LOCAL_MACHINE, entry, L"QwLanguage", REG_DWORD, &each.index, sizeof each.index));
      ChildProcess run;
      {
        DisplayScaleSetting scale(QW_DPI_PROBE, dpi);
        ASSERT_TRUE(scale.ok());
        run = ChildProcess::Start(uninstaller, L"");
        ASSERT_TRUE(run.valid()) << where;
        HWND question = WaitForWizard(run.id());
        ASSERT_NE(question, nullptr) << where;
        for (const std::string& text : ClippedTexts(question, dc.get(), dpi)) clipped.push_back(where + text);
        questions[WindowText(::GetDlgItem(question, IDC_QUESTION_TEXT))] += std::string(each.name) + " ";
        ASSERT_TRUE(PressButton(question, IDCANCEL));
      }
      ASSERT_TRUE(run.WaitForExit(20000)) << where;
    }
  }
  std::string spoken;
  for (const auto& [question, languages] : questions)
    spoken += "\n  " + ::testing::PrintToString(question) + ": " + languages;
  EXPECT_EQ(questions.size(), std::size(kCompleteLanguages)) << spoken;
  EXPECT_TRUE(clipped.empty()) << "texts cut off:" << Listed(clipped);
}

// --- Screenshots -----------------------------------------------------------

// The installer carrying the tests' small payload (see screenshots_test.cpp).
std::wstring ScreenshotInstaller() {
  std::ifstream file(WidePath(QW_TEST_PAYLOAD).string(), std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  const std::wstring installer = TestProgramFolder() + L"install_scaled_screenshots.exe";
  return MakeInstallerWithPayload(QW_TEST_INSTALLER, installer, bytes.str()) ? installer : std::wstring();
}

void Shoot(InstallerRobot& robot, const std::wstring& folder, const wchar_t* name) {
  robot.BringToFront();
  ::Sleep(400);
  const std::wstring path = folder + L"\\" + name + L".png";
  EXPECT_TRUE(SaveScreenshot(robot.Wizard(), path)) << "could not save " << std::string(path.begin(), path.end());
}

struct ScreenshotSet {
  const wchar_t* language;
  const wchar_t* locale;
};

class DisplayScaleScreenshots : public DisplayScale {
 protected:
  // Start, About, Path, Install when finished, then the real uninstaller's
  // question over that installation (cancelled), all at `dpi`.
  void ShootAt(int dpi, const ScreenshotSet& set) {
    SCOPED_TRACE(std::to_string(dpi) + " DPI");
    const std::wstring folder = std::wstring(QW_SCREENSHOT_DIR) + L"\\" + set.language + L"-" +
                                std::to_wstring(dpi) + L"dpi";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ScopedMachineCleanup installed;
    const std::wstring installer = ScreenshotInstaller();
    ASSERT_FALSE(installer.empty());
    {
      InstallerRobot robot;
      ASSERT_TRUE(StartAt(robot, dpi, set.locale, installer));
      ASSERT_TRUE(robot.WaitForPage(Page::Start));
      ::Sleep(800);
      Shoot(robot, folder, L"1-start");
      ASSERT_TRUE(robot.SystemCommand(0x0010));
      HWND about = robot.WaitForDialog();
      ASSERT_NE(about, nullptr);
      ::SetWindowPos(about, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE);
      ::Sleep(400);
      EXPECT_TRUE(SaveScreenshot(about, folder + L"\\7-about.png"));
      ASSERT_TRUE(InstallerRobot::ClickIn(about, IDOK));
      ASSERT_TRUE(InstallerRobot::WaitForClose(about));

      ASSERT_TRUE(robot.Click(kNext));
      ASSERT_TRUE(robot.WaitForPage(Page::Mode));
      ASSERT_TRUE(robot.ChooseRadio(kAdvanced));
      ASSERT_TRUE(robot.Click(kNext));
      ASSERT_TRUE(robot.WaitForPage(Page::Path));
      Shoot(robot, folder, L"3-path");
      ASSERT_TRUE(robot.Click(kNext));
      ASSERT_TRUE(robot.WaitForPage(Page::Shortcut));
      ASSERT_TRUE(robot.Click(kNext));
      ASSERT_TRUE(robot.WaitForPage(Page::Install));
      ASSERT_TRUE(robot.Click(kNext));  // the run
      ASSERT_TRUE(WaitUntil([&] { return robot.IsEnabled(kNext) && !robot.IsEnabled(kBack); }, 120000))
          << ::testing::PrintToString(robot.Text(kStatus));
      ::Sleep(1000);
      Shoot(robot, folder, L"5-install-done");
      ASSERT_TRUE(WaitUntil([&] { return robot.Click(kNext); }));
      ASSERT_TRUE(robot.WaitForPage(Page::End));
      ASSERT_TRUE(robot.Click(kExit));
      ASSERT_TRUE(robot.WaitForExit());
    }
    ShootUninstallerQuestion(dpi, folder);
  }

  // The small payload's uninstaller is a stand-in: the real one takes its
  // place beside the installation's log. It speaks the language the
  // installation recorded.
  static void ShootUninstallerQuestion(int dpi, const std::wstring& folder) {
    wchar_t command[MAX_PATH] = {};
    DWORD size = sizeof command;
    ASSERT_EQ(::SHGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Meridel 6",
                            L"UninstallString", nullptr, command, &size),
              ERROR_SUCCESS);
    std::wstring uninstaller = command;
    if (!uninstaller.empty() && uninstaller.front() == L'"') uninstaller = uninstaller.substr(1, uninstaller.find(L'"', 1) - 1);
    ASSERT_TRUE(::CopyFileW(QW_PRODUCT_UNINSTALLER, uninstaller.c_str(), FALSE)) << ::GetLastError();
    ChildProcess run;
    {
      DisplayScaleSetting scale(QW_DPI_PROBE, dpi);
      ASSERT_TRUE(scale.ok());
      run = ChildProcess::Start(uninstaller, L"");
      HWND question = WaitForWizard(run.id());
      ASSERT_NE(question, nullptr);
      ::SetWindowPos(question, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE);
      ::Sleep(500);
      EXPECT_TRUE(SaveScreenshot(question, folder + L"\\uninstall-1-question.png"));
      ASSERT_TRUE(PressButton(question, IDCANCEL));
    }
    // Ended before the clean-up takes its file away.
    EXPECT_TRUE(run.WaitForExit(20000));
  }
};

TEST_F(DisplayScaleScreenshots, StartPathInstallAboutAndUninstallerAt144And192Dpi) {
  const ProbeResult locales = ProbeUnixLocaleStart();
  if (!locales.works) GTEST_SKIP() << locales.finding;
  for (const ScreenshotSet& set : {ScreenshotSet{L"en", L"en_US.UTF-8"}, ScreenshotSet{L"de", L"de_DE.UTF-8"}}) {
    for (int dpi : {144, 192}) ShootAt(dpi, set);
  }
}

}  // namespace
}  // namespace qw::test
