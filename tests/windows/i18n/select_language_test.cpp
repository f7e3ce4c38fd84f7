#include "i18n/select_language.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "dialog_driver.h"
#include "installer_strings.h"
#include "ui/win_app.h"

namespace qw {
namespace {

// Answers the first message box that `thread` shows with OK and keeps its
// text. The box is modal: once the call under test has returned (Text()),
// no box can come any more.
class MessageBoxAnswerer {
 public:
  explicit MessageBoxAnswerer(DWORD thread) : thread_(thread), watcher_([this] { Watch(); }) {}
  ~MessageBoxAnswerer() { Text(); }
  // Stops the watcher; the text of the box, empty when none was shown.
  std::wstring Text() {
    stop_ = true;
    if (watcher_.joinable()) watcher_.join();
    return text_;
  }

 private:
  static BOOL CALLBACK FindBox(HWND window, LPARAM param) {
    wchar_t className[16] = {};
    ::GetClassNameW(window, className, 16);
    if (std::wstring(className) != L"#32770") return TRUE;
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
  }

  // Gives up after a minute, so that a box that never closes fails the test
  // through its time-out rather than hanging it.
  void Watch() {
    const ULONGLONG deadline = ::GetTickCount64() + 60000;
    while (!stop_ && ::GetTickCount64() < deadline) {
      HWND box = nullptr;
      ::EnumThreadWindows(thread_, FindBox, reinterpret_cast<LPARAM>(&box));
      if (box && ::IsWindowVisible(box)) {
        text_ = test::MessageBoxText(box);
        found_ = true;
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        return;
      }
      ::Sleep(50);
    }
  }

  DWORD thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> found_{false};
  std::wstring text_;
  std::thread watcher_;
};

using SelectLanguageTest = InstallerStrings;

TEST_F(SelectLanguageTest, InstallerLanguageWithoutMessage) {
  CWinApp app;
  SetLanguage(kEnglish);
  MessageBoxAnswerer answerer(::GetCurrentThreadId());
  SelectLanguage(kGerman);
  EXPECT_EQ(answerer.Text(), L"");
  EXPECT_EQ(GetLanguage(), kGerman);
  EXPECT_EQ(app.AppName(), L"Installationsprogramm \u2013 Meridel 6.07c");

  SelectLanguage(kFrench);
  EXPECT_EQ(GetLanguage(), kFrench);
  EXPECT_EQ(app.AppName(), L"Installeur \u2013 Meridel 6.07c");
}

TEST_F(SelectLanguageTest, HebrewIsAnnouncedInEnglishAndLeavesEnglish) {
  CWinApp app;
  SetLanguage(kFrench);
  MessageBoxAnswerer answerer(::GetCurrentThreadId());
  SelectLanguage(kHebrew);
  EXPECT_EQ(answerer.Text(),
            L"'Meridel' will be installed in the selected Langage, but the Installer, still under "
            L"translation,  shall run in English.");
  EXPECT_EQ(GetLanguage(), kEnglish);
  EXPECT_EQ(app.AppName(), L"Installer \u2013 Meridel 6.07c");
}

TEST_F(SelectLanguageTest, WorksWithoutApplicationObject) {
  ASSERT_EQ(AfxGetApp(), nullptr);
  SelectLanguage(kSpanish);
  EXPECT_EQ(GetLanguage(), kSpanish);
}

}  // namespace
}  // namespace qw
