// Start-up's take-over of a previous installation's log and folders.
#include "app/previous_installation.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace qw {
namespace {

// A folder of its own with a previous log naming it as installation folder
// and a start-menu folder that no longer exists.
class PreviousLog {
 public:
  PreviousLog() {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"qwtest_takeover_" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(folder_.c_str(), nullptr);
    log_ = folder_ + L"\\Uninstall.ulog";
    const std::wstring text = L"\xFEFF// Uninstall Log File v1\r\n// x\r\n// Install Meridel 6.05\r\n"
                              L"// Install Path : " + folder_ + L"\r\n"
                              L"// Shortcut Path : " + folder_ + L"\\Gone\r\n// -\r\n"
                              L"0000:0101:1 -- " + folder_ + L"\\Meridel.exe\r\n";
    HANDLE file = ::CreateFileW(log_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size() * 2), &written, nullptr);
    ::CloseHandle(file);
  }
  ~PreviousLog() {
    ::DeleteFileW(log_.c_str());
    ::RemoveDirectoryW(folder_.c_str());
  }
  const std::wstring& folder() const { return folder_; }
  const std::wstring& log() const { return log_; }

 private:
  std::wstring folder_;
  std::wstring log_;
};

TEST(PreviousInstallation, OlderVersionTakesOverExistingFolders) {
  PreviousLog previous;
  InstallContext context(L"MeridelTakeOverTest");
  context.m_installedState = InstalledState::OlderVersion;
  TakeOverPreviousInstallation(context, [&] { return std::optional<std::wstring>(previous.log()); });
  EXPECT_EQ(context.m_installFolder, previous.folder());
  EXPECT_TRUE(context.m_startMenuFolder.empty());  // gone: the default applies later
  EXPECT_TRUE(context.m_journal.WasInstalledBefore(previous.folder() + L"\\Meridel.exe"));
  EXPECT_EQ(context.m_journal.Previous().productText, L"Meridel 6.05");
}

TEST(PreviousInstallation, OtherStatesLoadNoLog) {
  PreviousLog previous;
  for (InstalledState state : {InstalledState::NotInstalled, InstalledState::NewerVersion}) {
    InstallContext context(L"MeridelTakeOverTest");
    context.m_installedState = state;
    bool asked = false;
    TakeOverPreviousInstallation(context, [&] {
      asked = true;
      return std::optional<std::wstring>(previous.log());
    });
    EXPECT_FALSE(asked);
    EXPECT_TRUE(context.m_installFolder.empty());
    EXPECT_TRUE(context.m_journal.Previous().entries.empty());
  }
  InstallContext same(L"MeridelTakeOverTest");
  same.m_installedState = InstalledState::SameVersion;
  TakeOverPreviousInstallation(same, [] { return std::optional<std::wstring>(); });
  EXPECT_TRUE(same.m_installFolder.empty());
}

}  // namespace
}  // namespace qw
