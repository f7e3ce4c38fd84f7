// Benchmark (not a test) of the installer against an NSIS installer of the
// same files, whole processes from start to exit under Wine.
//
//   nsis_bench.exe prepare FOLDER
//     extracts the payload of this tree's installer with the project's
//     reader into FOLDER\files and writes FOLDER\meridel.nsi: the same
//     files to the same destinations (the temporary setup files to NSIS's
//     own temporary folder), two Start-menu shortcuts, a desktop shortcut
//     and an uninstall entry, solid bzip2, only the instfiles page with its
//     details shown and closed at the end. makensis (Debian's nsis) builds
//     it on the host; scripts/nsis-bench.sh does it all.
//   nsis_bench.exe run ROUNDS NSIS_INSTALLER
//     times, round by round in turn, the installer driven by the robot
//     through the quick method from start to exit, the NSIS installer with
//     its page, and the NSIS installer with /S. Each run starts on the same
//     machine: what a run added is removed before the next (a snapshot of
//     the prefix's files and keys, as the installation tests take). Prints
//     each contestant's median, min and max and last "ratio to NSIS", the
//     median of the rounds' installer / NSIS-with-its-page.
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "build_tree.h"
#include "child_process.h"
#include "install_robot.h"
#include "machine_snapshot.h"
#include "payload/folder_placeholder.h"
#include "payload/payload_archive.h"
#include "payload/unicode_text.h"
#include "payload/wide_path.h"
#include "scratch_folder.h"
#include "test_payload.h"
#include "wizard_expectations.h"

namespace qw::test {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::string Utf8(const std::wstring& text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
  return out;
}

// The file name of a stored source path ("C:\src\Meridel.exe").
std::wstring FileName(const std::wstring& source) {
  const std::size_t slash = source.find_last_of(L"\\/");
  return slash == std::wstring::npos ? source : source.substr(slash + 1);
}

int Prepare(const std::wstring& folder) {
  const std::string archive = PayloadOfInstaller(QW_TEST_INSTALLER);
  PayloadArchive reader(ArchiveBytes{archive.data(), archive.size()});
  const std::vector<DirectoryRecord> records = reader.directory();
  // Every placeholder into a folder of its own below FOLDER\files.
  const std::wstring files = folder + L"\\files";
  const PlaceholderFolders staged{files + L"\\install", files + L"\\samples", files + L"\\temporary"};
  const SpecialFolderLookup lookup = [&](int csidl) { return files + L"\\csidl" + std::to_wstring(csidl); };
  if (!reader.extract(staged, [](notification&) { return notification::proceed; }, lookup)) {
    std::printf("the project's reader could not extract the payload\n");
    return 1;
  }
  std::ofstream nsi(WidePath(folder + L"\\meridel.nsi").string(), std::ios::binary);
  nsi << "; Made by nsis_bench prepare from the installer's payload.\n"
      << "Unicode true\n"
      << (sizeof(void*) == 8 ? "Target amd64-unicode\n" : "Target x86-unicode\n")
      << "SetCompressor /SOLID bzip2\n"
      << "Name \"Meridel 6.07c\"\n"
      << "OutFile \"meridel_nsis.exe\"\n"
      << "RequestExecutionLevel admin\n"
      << "InstallDir \"" << Utf8(DefaultInstallFolder()) << "\"\n"
      << "AutoCloseWindow true\nShowInstDetails show\nPage instfiles\n\n"
      << "Section\n  SetShellVarContext all\n  InitPluginsDir\n";
  std::wstring outPath;
  for (const DirectoryRecord& record : records) {
    const std::wstring destination = WideFromUtf16(record.destination);
    const std::wstring name = FileName(WideFromUtf16(record.source));
    const std::wstring stagedPath = PathText(ResolvePlaceholder(destination, staged, lookup) / WidePath(name));
    std::wstring target = InstalledPath(destination, L"$INSTDIR", L"Meridel Examples");
    if (target.empty()) target = L"$PLUGINSDIR";
    if (target != outPath) nsi << "  SetOutPath \"" << Utf8(target) << "\"\n";
    outPath = target;
    std::wstring relative = stagedPath.substr(folder.size() + 1);
    std::replace(relative.begin(), relative.end(), L'\\', L'/');
    nsi << "  File \"/oname=" << Utf8(name) << "\" \"" << Utf8(relative) << "\"\n";
  }
  const std::string menu = Utf8(DefaultStartMenuFolder());
  nsi << "  CreateDirectory \"" << menu << "\"\n"
      << "  CreateShortcut \"" << menu << "\\Meridel 6.07c.lnk\" \"$INSTDIR\\Meridel.exe\"\n"
      << "  CreateShortcut \"" << menu << "\\Uninstall Meridel.lnk\" \"$INSTDIR\\Uninstall.exe\"\n"
      << "  CreateShortcut \"$DESKTOP\\Meridel 6.07c.lnk\" \"$INSTDIR\\Meridel.exe\"\n"
      << "  WriteUninstaller \"$INSTDIR\\NsisUninstall.exe\"\n"
      << "  WriteRegStr HKLM \"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Meridel 6\" "
         "\"DisplayName\" \"Meridel 6.07c\"\n"
      << "  WriteRegStr HKLM \"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Meridel 6\" "
         "\"UninstallString\" \"$INSTDIR\\NsisUninstall.exe\"\n"
      << "SectionEnd\n\nSection Uninstall\nSectionEnd\n";
  nsi.close();
  if (!nsi) {
    std::printf("cannot write meridel.nsi\n");
    return 1;
  }
  std::printf("%u files staged and meridel.nsi written in %ls\n", static_cast<unsigned>(records.size()),
              folder.c_str());
  return 0;
}

// The installer by the quick method, from start to exit; negative when it
// did not get through.
double TimeInstaller(const std::wstring& installer) {
  const auto start = Clock::now();
  InstallerRobot robot;
  if (!robot.Start(installer) || !robot.WaitForPage(Page::Start) || !robot.Click(kNext) ||
      !robot.WaitForPage(Page::Mode) || !robot.Click(kNext) || !robot.WaitForPage(Page::Install) ||
      !WaitUntil([&] { return robot.IsEnabled(kNext); }) || !robot.Click(kNext)) {
    return -1;
  }
  if (!WaitUntil([&] { return robot.Text(kStatus) == L"Click on 'Next' to continue." && robot.IsEnabled(kNext); },
                 600000) ||
      !robot.Click(kNext) || !robot.WaitForPage(Page::End) ||
      !WaitUntil([&] { return robot.IsEnabled(kExit); }) || !robot.Click(kExit) || !robot.WaitForExit(60000)) {
    return -1;
  }
  return Seconds(Clock::now() - start);
}

double TimeProcess(const std::wstring& program, const std::wstring& arguments) {
  const auto start = Clock::now();
  ChildProcess process = ChildProcess::Start(program, arguments);
  if (!process.valid() || !process.WaitForExit(600000) || process.ExitCode() != 0) return -1;
  return Seconds(Clock::now() - start);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

void PrintFigures(const char* name, const std::vector<double>& seconds) {
  std::printf("%s: median %.3f s, min %.3f s, max %.3f s\n", name, Median(seconds),
              *std::min_element(seconds.begin(), seconds.end()), *std::max_element(seconds.begin(), seconds.end()));
}

int Run(int rounds, const std::wstring& nsis) {
  struct Contestant {
    const char* name;
    std::function<double()> run;
    std::vector<double> seconds;
  };
  std::vector<Contestant> contestants = {
      {"installer (quick method, start to exit)", [] { return TimeInstaller(QW_TEST_INSTALLER); }, {}},
      {"NSIS with its page", [&] { return TimeProcess(nsis, L""); }, {}},
      {"NSIS silent (/S)", [&] { return TimeProcess(nsis, L"/S"); }, {}},
  };
  std::vector<double> ratios;
  for (int round = 0; round < rounds; ++round) {
    for (Contestant& c : contestants) {
      const MachineSnapshot before = TakeMachineSnapshot(SnapshotRoots());
      const double seconds = c.run();
      RemoveAdditions(before, TakeMachineSnapshot(SnapshotRoots()), ComparisonExclusions());
      if (seconds < 0) {
        std::printf("round %d: %s did not get through\n", round + 1, c.name);
        return 1;
      }
      c.seconds.push_back(seconds);
      std::printf("round %d: %s %.3f s\n", round + 1, c.name, seconds);
      std::fflush(stdout);
    }
    ratios.push_back(contestants[0].seconds.back() / contestants[1].seconds.back());
  }
  for (const Contestant& c : contestants) PrintFigures(c.name, c.seconds);
  std::printf("ratio to NSIS %.2f\n", Median(ratios));
  return 0;
}

}  // namespace
}  // namespace qw::test

int wmain(int argc, wchar_t** argv) {
  using namespace qw::test;
  if (argc == 3 && std::wstring(argv[1]) == L"prepare") return Prepare(argv[2]);
  if (argc == 4 && std::wstring(argv[1]) == L"run") return Run(std::max(1, _wtoi(argv[2])), argv[3]);
  std::printf("usage: nsis_bench prepare FOLDER | nsis_bench run ROUNDS NSIS_INSTALLER\n");
  return 2;
}
