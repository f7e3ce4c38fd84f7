// The installer started from a folder where someone left libraries named
// like system ones (VERSION.dll, bcrypt.dll): the wizard comes up and a
// whole installation runs, and the installer never loads either. The
// planted libraries leave a marker file beside themselves when a process
// loads them.
//
// Under Wine a library beside the program is taken only when the library's
// load order prefers native ones, as Windows always does for a library that
// is not a known DLL. WINEDLLOVERRIDES sets that order; Wine reads it from
// the Unix environment of the Wine process, so the programs are started
// through env(1) (StartInUnixLocale). Two probe programs decide what can be
// checked: one that imports both libraries the plain way (it must load
// them, or no check could fail), and one that imports known DLLs only (what
// it loads, the system's own libraries took, which no program can prevent).

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "build_tree.h"
#include "child_process.h"
#include "installer_copy.h"
#include "installer_robot.h"
#include "machine_cleanup.h"
#include "scratch_folder.h"
#include "wine.h"
#include "wizard_expectations.h"
#include "test_text.h"

namespace qw::test {
namespace {

const wchar_t* const kPlanted[] = {L"VERSION.dll", L"bcrypt.dll"};
const wchar_t kOverride[] = L"version,bcrypt=n,b";

// The overrides of the test session (which keep Wine from offering Mono and
// Gecko) with native-first for the planted names, as an env(1) setting.
std::wstring OverridesWithPlantedNames() {
  wchar_t current[1024];
  const DWORD n = ::GetEnvironmentVariableW(L"WINEDLLOVERRIDES", current, 1024);
  std::wstring value = (n > 0 && n < 1024) ? std::wstring(current, n) + L";" : std::wstring();
  return L"WINEDLLOVERRIDES=" + value + kOverride;
}

// Copies `program` and the planted libraries into `folder`.
void Plant(const ScratchFolder& folder, const std::wstring& program, const std::wstring& programName) {
  ASSERT_TRUE(::CopyFileW(program.c_str(), (folder / programName).c_str(), FALSE))
      << "cannot copy " << ::GetLastError();
  for (const wchar_t* name : kPlanted) {
    const std::wstring source = std::wstring(QW_PLANTED_LIBRARIES) + L"\\" + name;
    ASSERT_TRUE(::CopyFileW(source.c_str(), (folder / name).c_str(), FALSE))
        << "cannot copy the planted " << std::string(name, name + wcslen(name)) << ": " << ::GetLastError();
  }
}

// The planted libraries that some process loaded, by name.
std::wstring LoadedPlanted(const ScratchFolder& folder) {
  std::wstring loaded;
  for (const wchar_t* name : kPlanted) {
    if (Exists(folder / (std::wstring(name) + L".loaded"))) loaded += std::wstring(name) + L" ";
  }
  return loaded;
}

// Starts `probe` (a program of the test) beside the planted libraries and
// answers the ones it loaded, by name; false when it did not run to its end.
bool RunProbe(const std::wstring& probe, std::wstring& loaded) {
  ScratchFolder folder(UniqueName(L"qw-planted-probe"));
  const std::wstring copy = folder / probe;
  Plant(folder, TestProgramFolder() + probe, probe);
  if (::testing::Test::HasFatalFailure()) return false;
  if (!StartInUnixLocale(copy, L"en_US.UTF-8", {OverridesWithPlantedNames()}) ||
      !WaitUntil([&] { return Exists(copy + L".ran"); }, 30000)) {
    return false;
  }
  loaded = LoadedPlanted(folder);
  return true;
}

TEST(PlantedLibraries, InstallerBesideThemNeverLoadsThem) {
  // Without a plain program taking them, no check here could fail.
  std::wstring takenByPlainProgram;
  ASSERT_TRUE(RunProbe(L"planted_library_probe.exe", takenByPlainProgram));
  std::printf("probe: a program importing the planted names loads: %s\n", Narrow(takenByPlainProgram).c_str());
  if (takenByPlainProgram.empty()) {
    GTEST_SKIP() << "Wine takes no library from a program's folder here, even with " << Narrow(kOverride);
  }
  // What the system's own libraries take from the folder before any code of
  // the program runs is beyond any program (Wine's user32 imports
  // version.dll; Windows resolves the imports of known DLLs from the system
  // folder only).
  std::wstring takenBySystem;
  ASSERT_TRUE(RunProbe(L"system_only_probe.exe", takenBySystem));
  std::printf("probe: a program importing known DLLs only loads: %s\n",
              takenBySystem.empty() ? "none" : Narrow(takenBySystem).c_str());
  if (takenBySystem == takenByPlainProgram) {
    GTEST_SKIP() << "the system's own libraries load " << Narrow(takenBySystem)
                 << "from a program's folder here: no planted library is left to check";
  }

  ScratchFolder folder(UniqueName(L"qw-planted-download"));
  // The installer with the small test payload, so that the installation
  // below is quick; everything it installs goes again at the end.
  ScratchFolder build(UniqueName(L"qw-planted-build"));
  ASSERT_TRUE(MakeInstallerWithPayload(QW_TEST_INSTALLER, build / L"Install.exe", ReadTestFile(QW_TEST_PAYLOAD)));
  Plant(folder, build / L"Install.exe", L"Install.exe");
  ASSERT_FALSE(HasFatalFailure());
  ScopedMachineCleanup cleanup;
  // The planted libraries that the installer's own doing loaded.
  const auto loadedByInstaller = [&] {
    std::wstring loaded;
    for (const wchar_t* name : kPlanted) {
      const std::wstring entry = std::wstring(name) + L" ";
      if (LoadedPlanted(folder).find(entry) != std::wstring::npos &&
          takenBySystem.find(entry) == std::wstring::npos) {
        loaded += entry;
      }
    }
    return Narrow(loaded);
  };

  InstallerRobot robot;
  robot.SetExtraEnvironment({OverridesWithPlantedNames()});
  ASSERT_TRUE(robot.Start(folder / L"Install.exe", L"en_US.UTF-8")) << "no wizard came up";
  EXPECT_EQ(loadedByInstaller(), "") << "loaded by the time the wizard shows";

  // A whole quick installation: it reads version resources and makes the
  // random name of its temporary folder.
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Mode));
  ASSERT_TRUE(robot.Click(kNext));
  ASSERT_TRUE(robot.WaitForPage(Page::Install));
  ASSERT_TRUE(robot.Click(kNext));  // Install
  ASSERT_TRUE(WaitUntil([&] { return robot.Text(kExit) == L"Exit"; }, 60000)) << "the installation did not end";
  EXPECT_EQ(robot.Text(kStatus), L"Click on 'Next' to continue.");
  ASSERT_TRUE(robot.Click(kExit));
  EXPECT_TRUE(robot.WaitForExit());

  EXPECT_EQ(loadedByInstaller(), "");
}

}  // namespace
}  // namespace qw::test
