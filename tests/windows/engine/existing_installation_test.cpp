// The shipped installer run a second time in the prefix where it installed
// the product: a reinstallation of the same version and an update from an
// older one (the installed program swapped for a 6.7.3.0 build), as the
// user goes through the wizard. The fixture removes both installations.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "build_tree.h"
#include "child_process.h"
#include "dialog_driver.h"
#include "engine/uninstall_log.h"
#include "installer_strings.h"
#include "install_robot.h"
#include "payload/payload_kind.h"
#include "scratch_folder.h"
#include "wizard_expectations.h"
#include "test_text.h"

namespace qw::test {
namespace {


bool Has(const std::vector<std::wstring>& lines, const std::wstring& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The DirectX step's line has no English text: the lookup falls back to
// the French one.
std::wstring DirectXLine(const std::wstring& result) { return L"Mise \u00e0 jour de DirectX..." + result; }

class ExistingInstallation : public InstallationTest {
 protected:
  void SetUp() override {
    InstallationTest::SetUp();
    shipped_ = ListArchive(PayloadOfInstaller(QW_TEST_INSTALLER));
    ASSERT_FALSE(shipped_.empty());
    samples_ = L"Meridel Examples";
  }

  // The installed paths of the payload's files of `kind`.
  std::vector<std::wstring> Installed(PayloadKind kind) const {
    std::vector<std::wstring> paths;
    for (const ListedEntry& e : shipped_) {
      if (IsPayloadKind(e.kind, kind)) paths.push_back(InstalledPath(e.destination, DefaultInstallFolder(), samples_));
    }
    return paths;
  }

  // Starts the shipped installer, checks the Start page's text, and runs a
  // quick installation to its end. `whileOpen` runs before the wizard is
  // closed.
  RunResult Install(const std::wstring& startText, const std::function<void()>& whileOpen = {}) {
    InstallerRobot robot;
    RunResult run;
    EXPECT_TRUE(robot.Start(QW_TEST_INSTALLER, L"en_US.UTF-8"));
    EXPECT_TRUE(robot.WaitForPage(Page::Start));
    EXPECT_EQ(robot.Text(kInfo), startText);
    EXPECT_TRUE(robot.Click(kNext));
    EXPECT_TRUE(robot.WaitForPage(Page::Mode));
    EXPECT_TRUE(robot.Click(kNext));
    EXPECT_TRUE(robot.WaitForPage(Page::Install));
    EXPECT_TRUE(WaitUntil([&] { return robot.IsEnabled(kNext); }));
    run = PressInstall(robot);
    EXPECT_TRUE(run.succeeded) << Narrow(run.status) << "\n" << Narrow(run.log);
    if (whileOpen) whileOpen();
    EXPECT_TRUE(robot.Click(kNext));
    EXPECT_TRUE(robot.WaitForPage(Page::End));
    EXPECT_TRUE(robot.Click(IDCANCEL));
    EXPECT_TRUE(robot.WaitForExit(30000));
    return run;
  }

  PreviousInstallation ReadLog() const {
    PreviousInstallation log;
    UninstallLog::Read(DefaultInstallFolder() + L"\\Uninstall.ulog", log);
    return log;
  }

  std::vector<ListedEntry> shipped_;
  std::wstring samples_;
};

// The first installation of every test: the product registers its document
// type, the DirectX setup runs, and the installer holds its lock again
// once the registration run is over.
void ExpectFirstInstallation(const RunResult& run) {
  const std::vector<std::wstring> lines = Lines(run.log);
  EXPECT_TRUE(Has(lines, DirectXLine(L"OK"))) << Narrow(run.log);
  EXPECT_TRUE(Has(lines, L"Registry Data Writing...OK")) << Narrow(run.log);
  wchar_t progId[64] = {};
  DWORD size = sizeof progId;
  EXPECT_EQ(::RegGetValueW(HKEY_CLASSES_ROOT, L".mr-proj", nullptr, RRF_RT_REG_SZ, nullptr, progId, &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(progId, L"Meridel.Project.6");
}

void ExpectASecondInstallerRefused() {
  ChildProcess second = ChildProcess::Start(QW_TEST_INSTALLER, L"");
  ASSERT_TRUE(second.valid());
  const HWND busy = WaitForMessageBox(second.id());
  ASSERT_NE(busy, nullptr) << "a second installer was not refused after the registration run";
  EXPECT_EQ(MessageBoxText(busy), SystemText(ERROR_BUSY));
  EXPECT_TRUE(PressButton(busy, IDOK));
  EXPECT_TRUE(second.WaitForExit(30000));
}

TEST_F(ExistingInstallation, ReinstallationOfTheSameVersionRepairsAndKeepsUserData) {
  const RunResult first = Install(L"'Meridel 6.07c' Installation.", ExpectASecondInstallerRefused);
  ASSERT_TRUE(first.succeeded);
  ExpectFirstInstallation(first);
  const std::vector<std::wstring> userData = Installed(PayloadKind::UserData);
  ASSERT_FALSE(userData.empty());
  WriteTestFile(userData.front(), "the user's own parts");

  const RunResult again = Install(L"'Meridel 6.07c' is already installed.\r\n"
                                  L"Do you confirm Reinstallation ?");
  ASSERT_TRUE(again.succeeded);
  const std::vector<std::wstring> lines = Lines(again.log);
  EXPECT_TRUE(Has(lines, DirectXLine(L"OK"))) << "a reinstallation runs the DirectX setup again";
  EXPECT_EQ(ReadTestFile(userData.front()), "the user's own parts");
  for (const std::wstring& line : lines) {
    EXPECT_EQ(line.find(userData.front()), std::wstring::npos) << "user data is neither written nor logged";
  }
  // The merged log names each file, folder and shortcut once, all done.
  const PreviousInstallation log = ReadLog();
  EXPECT_EQ(log.installFolder, DefaultInstallFolder());
  EXPECT_EQ(log.startMenuFolder, DefaultStartMenuFolder());
  std::map<std::pair<int, std::wstring>, int> seen;
  for (const JournalEntry& entry : log.entries) {
    ++seen[{static_cast<int>(entry.kind), entry.path}];
    EXPECT_TRUE(entry.done) << Narrow(entry.path);
  }
  for (const auto& [entry, count] : seen) EXPECT_EQ(count, 1) << Narrow(entry.second);
  EXPECT_EQ(seen.count({static_cast<int>(JournalEntryKind::File), userData.front()}), 1u)
      << "the kept file stays in the log from the first installation";
}

TEST_F(ExistingInstallation, UpdateFromAnOlderVersionWritesNoSamplesAndSkipsTheDirectXSetupDoneBefore) {
  const RunResult first = Install(L"'Meridel 6.07c' Installation.");
  ASSERT_TRUE(first.succeeded);
  ExpectFirstInstallation(first);
  const PreviousInstallation before = ReadLog();
  // The installed program becomes a 6.7.3.0 build of it; the user changed
  // a library and deleted a sample.
  const std::wstring program = DefaultInstallFolder() + L"\\Meridel.exe";
  ASSERT_TRUE(::SetFileAttributesW(program.c_str(), FILE_ATTRIBUTE_NORMAL));
  ASSERT_TRUE(::CopyFileW((std::wstring(QW_INSTALLED_PROGRAMS) + L"\\Meridel-6.7.3.0.exe").c_str(), program.c_str(), FALSE));
  const std::vector<std::wstring> userData = Installed(PayloadKind::UserData);
  const std::vector<std::wstring> samples = Installed(PayloadKind::Sample);
  ASSERT_FALSE(userData.empty());
  ASSERT_FALSE(samples.empty());
  WriteTestFile(userData.front(), "the user's own parts");
  ASSERT_TRUE(::DeleteFileW(samples.front().c_str()));

  const RunResult update = Install(L"Update from 'Meridel 6.07b' to 'Meridel 6.07c'.");
  ASSERT_TRUE(update.succeeded);
  const std::vector<std::wstring> lines = Lines(update.log);
  EXPECT_FALSE(Has(lines, DirectXLine(L"OK")) || Has(lines, DirectXLine(L"Failed")))
      << "the old log says the DirectX setup was done";
  for (const std::wstring& line : lines) {
    for (const std::wstring& sample : samples) EXPECT_EQ(line.find(sample), std::wstring::npos) << Narrow(line);
  }
  EXPECT_FALSE(Exists(samples.front())) << "an update writes no samples";
  EXPECT_EQ(ReadTestFile(userData.front()), "the user's own parts");

  // Header line 3 names what was updated.
  const std::string bytes = ReadTestFile(DefaultInstallFolder() + L"\\Uninstall.ulog");
  std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
  bytes.copy(reinterpret_cast<char*>(text.data()), text.size() * sizeof(wchar_t));
  const std::vector<std::wstring> header = Lines(text);
  ASSERT_GE(header.size(), 3u);
  EXPECT_EQ(header[2], L"// Install Meridel 6.07c -- Update (" + before.productText + L")");
  // The DirectX entry of the first installation is carried over, done.
  const PreviousInstallation after = ReadLog();
  EXPECT_EQ(std::count_if(after.entries.begin(), after.entries.end(),
                          [](const JournalEntry& e) { return e.kind == JournalEntryKind::DirectXSetup && e.done; }),
            1);
}

}  // namespace
}  // namespace qw::test
