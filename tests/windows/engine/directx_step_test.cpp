// The DirectX step against the sample product's setup stand-in, copied into
// a scratch folder as the installer extracts it into its temporary folder:
// when the step applies, what it reports and journals, and that the library
// is released afterwards. The stand-in installs into one folder of the
// system directory, removed before and after each test.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "build_tree.h"
#include "engine/directx_setup.h"
#include "i18n/message_id.h"
#include "i18n/message_lookup.h"
#include "installer_strings.h"
#include "recording_page.h"
#include "scratch_folder.h"

namespace qw {
namespace {

using test::Exists;
using test::RecordingPage;
using test::ScratchFolder;

const wchar_t* const kSetupFiles[] = {L"DSETUP.dll",
                                      L"dsetup32.dll",
                                      L"dxdllreg_x86.cab",
                                      L"dxupdate.cab",
                                      L"Jun2010_D3DCompiler_43_x86.cab",
                                      L"Jun2010_d3dx9_43_x86.cab"};

std::wstring ComponentsFolder() {
  wchar_t system[MAX_PATH] = {};
  ::GetSystemDirectoryW(system, MAX_PATH);
  return std::wstring(system) + L"\\Quillon DirectX stand-in";
}

class DirectXStep : public InstallerStrings {
 protected:
  void SetUp() override {
    InstallerStrings::SetUp();
    SetLanguage(kEnglish);
    test::RemoveTree(ComponentsFolder());
    ::SetEnvironmentVariableW(L"QW_DSETUP_STANDIN", nullptr);
    CopySetupFiles(QW_DIRECTX_DIR);
  }
  void TearDown() override {
    ::SetEnvironmentVariableW(L"QW_DSETUP_STANDIN", nullptr);
    test::RemoveTree(ComponentsFolder());
    InstallerStrings::TearDown();
  }

  void CopySetupFiles(const std::wstring& from) {
    for (const wchar_t* name : kSetupFiles) {
      const std::wstring source = from + L"\\" + name;
      if (!Exists(source)) continue;  // the variant folder holds the library only
      ASSERT_TRUE(::CopyFileW(source.c_str(), (folder_ / name).c_str(), FALSE)) << ::GetLastError();
    }
  }

  // The step run in `state` with a journal of its own: whether it ran (it
  // journals the run) and succeeded.
  bool Run(InstalledState state, const std::wstring& previousLog = {}) {
    if (!previousLog.empty()) journal_.LoadPreviousLog(previousLog);
    DirectXRuntimeSetup setup(folder_.path());
    const std::size_t before = journal_.Entries().size();
    const std::error_code error = RunDirectXStep(setup, state, journal_, page_);
    EXPECT_FALSE(setup.loaded()) << "the library is released after the step";
    const bool ran = journal_.Entries().size() > before;
    EXPECT_TRUE(!error || ran) << "a step left out is no failure";
    if (ran) {
      EXPECT_EQ(journal_.Entries().back().done, !error) << error.message();
    }
    return ran && !error;
  }

  bool ComponentsInstalled() const { return Exists(ComponentsFolder() + L"\\dxupdate_component.txt"); }

  ScratchFolder folder_{L"directx_step"};
  InstallJournal journal_{UninstallKeyLocation{HKEY_CURRENT_USER, L"Software\\QwDirectXStepTest", L"Meridel 6"}};
  RecordingPage page_;
};

TEST_F(DirectXStep, InstallsTheRuntimePumpingMessagesAndJournalsItDone) {
  const std::wstring text = LoadMessage(msg::kDirectXUpdate);
  ASSERT_FALSE(text.empty());
  EXPECT_TRUE(Run(InstalledState::NotInstalled));
  EXPECT_TRUE(ComponentsInstalled());
  EXPECT_EQ(page_.LogLines(), std::vector<std::wstring>{text + LoadMessage(msg::kStepOk)});
  EXPECT_EQ(page_.Status(), text);
  EXPECT_GT(page_.pumps, 0) << "the window is kept alive while the setup runs";
  ASSERT_EQ(journal_.Entries().size(), 1u);
  const JournalEntry& entry = journal_.Entries().back();
  EXPECT_EQ(entry.kind, JournalEntryKind::DirectXSetup);
  EXPECT_TRUE(entry.done);
  EXPECT_EQ(entry.path, text);
  // Released: the installer can delete its temporary folder afterwards.
  EXPECT_TRUE(::DeleteFileW((folder_ / L"DSETUP.dll").c_str())) << ::GetLastError();
}

TEST_F(DirectXStep, TheRestartCodeCountsAsSuccess) {
  // DSETUPERR_SUCCESS_RESTART: installed; the installer asks for no restart.
  ::SetEnvironmentVariableW(L"QW_DSETUP_STANDIN", L"result=1");
  EXPECT_TRUE(Run(InstalledState::NotInstalled));
  EXPECT_EQ(page_.LogLines(),
            std::vector<std::wstring>{LoadMessage(msg::kDirectXUpdate) + LoadMessage(msg::kStepOk)});
  ASSERT_EQ(journal_.Entries().size(), 1u);
  EXPECT_TRUE(journal_.Entries().back().done);
}

TEST_F(DirectXStep, IsLeftOutWithoutAUsableLibrary) {
  // Reporting revision 902, below the 4.09 revision 903 the step needs.
  ::SetEnvironmentVariableW(L"QW_DSETUP_STANDIN", L"revision=902");
  EXPECT_FALSE(Run(InstalledState::NotInstalled));
  ::SetEnvironmentVariableW(L"QW_DSETUP_STANDIN", nullptr);
  // No library in the folder at all.
  ASSERT_TRUE(::DeleteFileW((folder_ / L"DSETUP.dll").c_str()));
  EXPECT_FALSE(Run(InstalledState::NotInstalled));
  // A file of that name that is no library.
  test::WriteTestFile(folder_ / L"DSETUP.dll", "not a library");
  EXPECT_FALSE(Run(InstalledState::NotInstalled));

  EXPECT_FALSE(ComponentsInstalled());
  EXPECT_TRUE(page_.log.empty()) << "no log line";
  EXPECT_TRUE(page_.statuses.empty()) << "no status";
  EXPECT_TRUE(journal_.Entries().empty()) << "no journal entry";
}

TEST_F(DirectXStep, RevisionNineHundredThreeIsTheFirstThatRuns) {
  // The boundary itself: 903 runs the step.
  ::SetEnvironmentVariableW(L"QW_DSETUP_STANDIN", L"revision=903");
  EXPECT_TRUE(Run(InstalledState::NotInstalled));
  EXPECT_TRUE(ComponentsInstalled());
  ASSERT_EQ(journal_.Entries().size(), 1u);
  EXPECT_TRUE(journal_.Entries().back().done);
  // One below: nothing at all, not even a line.
  test::RemoveTree(ComponentsFolder());
  ::SetEnvironmentVariableW(L"QW_DSETUP_STANDIN", L"revision=902");
  EXPECT_FALSE(Run(InstalledState::NotInstalled));
  EXPECT_FALSE(ComponentsInstalled());
  EXPECT_EQ(page_.LogLines(),
            std::vector<std::wstring>{LoadMessage(msg::kDirectXUpdate) + LoadMessage(msg::kStepOk)});
  EXPECT_EQ(journal_.Entries().size(), 1u);
}

TEST_F(DirectXStep, ASetupThatFailsGivesAFailedLineAndAnEntryNotDone) {
  const std::wstring failedLine = LoadMessage(msg::kDirectXUpdate) + LoadMessage(msg::kStepFailed);
  ::SetEnvironmentVariableW(L"QW_DSETUP_STANDIN", L"result=-9");
  EXPECT_FALSE(Run(InstalledState::NotInstalled));
  ::SetEnvironmentVariableW(L"QW_DSETUP_STANDIN", nullptr);
  // A library of a usable version without the setup function.
  CopySetupFiles(QW_DIRECTX_VARIANT_DIR);
  EXPECT_FALSE(Run(InstalledState::NotInstalled));

  EXPECT_EQ(page_.LogLines(), (std::vector<std::wstring>{failedLine, failedLine}));
  ASSERT_EQ(journal_.Entries().size(), 2u);
  for (const JournalEntry& entry : journal_.Entries()) {
    EXPECT_EQ(entry.kind, JournalEntryKind::DirectXSetup);
    EXPECT_FALSE(entry.done);
  }
}

TEST_F(DirectXStep, AnUpdateSkipsTheSetupThePreviousInstallationRan) {
  // That log records "Installing DirectX runtime..." as done.
  const std::wstring previous = std::wstring(QW_ENGINE_TEST_DATA) + L"\\first_install.ulog";
  EXPECT_FALSE(Run(InstalledState::OlderVersion, previous));
  EXPECT_FALSE(ComponentsInstalled());
  EXPECT_TRUE(page_.log.empty());
  EXPECT_TRUE(journal_.Entries().empty());
  // A reinstallation of the same version repairs: the setup runs again.
  EXPECT_TRUE(Run(InstalledState::SameVersion, previous));
  EXPECT_TRUE(ComponentsInstalled());
}

TEST_F(DirectXStep, AnUpdateRunsTheSetupThePreviousInstallationDidNotFinish) {
  // The same log with its DirectX entry marked not done.
  std::string log = test::ReadTestFile(std::wstring(QW_ENGINE_TEST_DATA) + L"\\first_install.ulog");
  const std::wstring done = L"0010:07ff:1";
  const std::string doneBytes(reinterpret_cast<const char*>(done.data()), done.size() * sizeof(wchar_t));
  const std::size_t at = log.find(doneBytes);
  ASSERT_NE(at, std::string::npos);
  log[at + doneBytes.size() - sizeof(wchar_t)] = '0';
  test::WriteTestFile(folder_ / L"unfinished.ulog", log);
  EXPECT_TRUE(Run(InstalledState::OlderVersion, folder_ / L"unfinished.ulog"));
  EXPECT_TRUE(ComponentsInstalled());
}

}  // namespace
}  // namespace qw
