// The installer itself, started under Wine in a chosen Unix locale: its
// window title is in the language that start-up chose.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "build_tree.h"
#include "dialog_driver.h"
#include "i18n/language_state.h"
#include "platform/handles.h"
#include "platform_probes.h"
#include "wine.h"

namespace qw {
namespace {

const wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Meridel 6";

BOOL CALLBACK FindInstallerWindow(HWND window, LPARAM found) {
  const std::wstring title = test::WindowText(window);
  const std::wstring product = L" \u2013 Meridel 6.07c";
  if (::IsWindowVisible(window) && title.size() > product.size() &&
      title.compare(title.size() - product.size(), product.size(), product) == 0) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

// The installer's wizard, whatever its language: "<Installer> – Meridel
// 6.07c". Null after 30 s.
HWND WaitForInstallerWindow() {
  for (int attempt = 0; attempt < 300; ++attempt) {
    HWND found = nullptr;
    ::EnumWindows(FindInstallerWindow, reinterpret_cast<LPARAM>(&found));
    if (found) return found;
    ::Sleep(100);
  }
  return nullptr;
}

BOOL CALLBACK ConfirmBoxes(HWND window, LPARAM wizard) {
  wchar_t className[16] = {};
  ::GetClassNameW(window, className, 16);
  if (window != reinterpret_cast<HWND>(wizard) && std::wstring(className) == L"#32770" &&
      ::IsWindowVisible(window)) {
    ::PostMessageW(window, WM_COMMAND, IDYES, 0);
    ::PostMessageW(window, WM_COMMAND, IDOK, 0);
  }
  return TRUE;
}

// Closes the wizard as a user would (Exit, then yes to any question), so
// that the installer leaves the instance counter and releases its lock.
// Returns whether the process ended.
bool CloseInstaller(HWND wizard) {
  DWORD processId = 0;
  const DWORD thread = ::GetWindowThreadProcessId(wizard, &processId);
  UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
  ::PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (process && ::WaitForSingleObject(process.get(), 100) == WAIT_OBJECT_0) return true;
    if (!process && !::IsWindow(wizard)) return true;
    ::EnumThreadWindows(thread, ConfirmBoxes, reinterpret_cast<LPARAM>(wizard));
  }
  return false;
}

// "QwLanguage" of the product's real uninstall key, for the few seconds of
// one test; what was there before is put back.
class StoredProductLanguage {
 public:
  explicit StoredProductLanguage(DWORD value) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0,
                          KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key,
                          &disposition) != ERROR_SUCCESS) {
      return;
    }
    key_.reset(key);
    createdKey_ = disposition == REG_CREATED_NEW_KEY;
    DWORD previous = 0;
    DWORD size = sizeof(previous);
    DWORD type = 0;
    if (::RegQueryValueExW(key, L"QwLanguage", nullptr, &type, reinterpret_cast<BYTE*>(&previous),
                           &size) == ERROR_SUCCESS &&
        type == REG_DWORD) {
      previous_ = previous;
    }
    written_ = ::RegSetValueExW(key, L"QwLanguage", 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&value),
                                sizeof(value)) == ERROR_SUCCESS;
  }
  ~StoredProductLanguage() {
    if (!key_) return;
    if (previous_) {
      ::RegSetValueExW(key_.get(), L"QwLanguage", 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&*previous_), sizeof(DWORD));
    } else {
      ::RegDeleteValueW(key_.get(), L"QwLanguage");
    }
    key_.reset();
    if (createdKey_) ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
  }
  bool Written() const { return written_; }

 private:
  UniqueRegKey key_;
  bool createdKey_ = false;
  bool written_ = false;
  std::optional<DWORD> previous_;
};

// The user's language of a child process can be chosen only through
// Wine's Unix locale; the probe says whether that is at hand.
#define SKIP_UNLESS_A_CHILD_CAN_HAVE_ITS_OWN_LANGUAGE()                                \
  if (const test::ProbeResult probe = test::ProbeUnixLocaleStart(); !probe.works) \
  GTEST_SKIP() << probe.finding

// Starts the installer, expects its wizard to be titled `title` and closes
// it whatever its title (a wizard left open would keep the next installer
// out).
void ExpectTitle(const std::wstring& unixLocale, const wchar_t* title) {
  ASSERT_TRUE(test::StartInUnixLocale(QW_TEST_INSTALLER, unixLocale));
  HWND wizard = WaitForInstallerWindow();
  ASSERT_NE(wizard, nullptr) << "no installer window";
  EXPECT_EQ(test::WindowText(wizard), title);
  EXPECT_TRUE(CloseInstaller(wizard));
}

TEST(InstallerTitle, FollowsTheUsersLanguage) {
  SKIP_UNLESS_A_CHILD_CAN_HAVE_ITS_OWN_LANGUAGE();
  ExpectTitle(L"fr_FR.UTF-8", L"Installeur \u2013 Meridel 6.07c");
  ExpectTitle(L"de_DE.UTF-8", L"Installationsprogramm \u2013 Meridel 6.07c");
  ExpectTitle(L"da_DK.UTF-8", L"Installer \u2013 Meridel 6.07c");
}

TEST(InstallerTitle, RecordedDutchGivesEnglish) {
  SKIP_UNLESS_A_CHILD_CAN_HAVE_ITS_OWN_LANGUAGE();
  StoredProductLanguage stored(kDutch);
  ASSERT_TRUE(stored.Written());
  ExpectTitle(L"fr_FR.UTF-8", L"Installer \u2013 Meridel 6.07c");
}

TEST(InstallerTitle, RecordedDanishIsIgnored) {
  SKIP_UNLESS_A_CHILD_CAN_HAVE_ITS_OWN_LANGUAGE();
  StoredProductLanguage stored(kDanish);
  ASSERT_TRUE(stored.Written());
  ExpectTitle(L"fr_FR.UTF-8", L"Installeur \u2013 Meridel 6.07c");
}

}  // namespace
}  // namespace qw
