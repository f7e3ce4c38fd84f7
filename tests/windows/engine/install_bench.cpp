// Benchmark (not a test) of a whole installation under Wine: the real
// installer driven from Install pressed to its final status, beside a
// floor measured in the same run on the same payload by this program
// itself: the archive decompressed twice with libbz2 (the installer tests
// it, then extracts it), every file written with WriteFile and read back
// once. It prints both wall-clock times per round, the same sequence run in
// this process without a window, the installer's peak working set and its
// size without the payload, and last "ratio R": install / floor, the median
// of the paired rounds, then the no-window sequence's own ratio to the
// floor and the installation's ratio to it (the window's cost). Wall clock, because Wine's GetProcessTimes does not
// give another process's processor time (it read 0.2 s for a 7 s run) and
// because the window's cost lies partly in the Wine and X servers; on a
// shared machine run it when the neighbours are quiet.
//
//   install_bench.exe [ROUNDS] [ARCHIVE | shaped | -] [BASELINE]
//
// Without ARCHIVE (or with "-") it installs the payload the installer of
// this tree carries; with one it installs a copy of the installer carrying
// ARCHIVE; "shaped" makes one like the product's: 70 entries, about 26 MB,
// a third incompressible and the rest text, every tenth a setup file.
// BASELINE, another build of the installer (an earlier commit's), is timed
// in the same rounds on the same payload, right before this tree's, and
// "ratio to baseline" is the median of this tree's time over its.
// Each round removes what the installation added before the next one.
#include <windows.h>
#include <psapi.h>
#include <shlwapi.h>

#include <bzlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "build_tree.h"
#include "child_process.h"
#include "install_robot.h"
#include "engine/install_sequence.h"
#include "installer_copy.h"
#include "scratch_folder.h"
#include "machine_snapshot.h"
#include "test_payload.h"
#include "wizard_expectations.h"

namespace qw::test {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The whole decompressed archive (its streams one after the other)
// through libbz2 on this thread, chunk by chunk, handed to `sink`; false
// on a bzip2 error.
template <typename Sink>
bool Decompress(const std::string& archive, Sink sink) {
  bz_stream stream{};
  if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK) return false;
  stream.next_in = const_cast<char*>(archive.data());
  stream.avail_in = static_cast<unsigned>(archive.size());
  static char buffer[1 << 16];
  int status = BZ_OK;
  while (status == BZ_OK) {
    stream.next_out = buffer;
    stream.avail_out = sizeof buffer;
    status = BZ2_bzDecompress(&stream);
    sink(buffer, sizeof buffer - stream.avail_out);
    if (status == BZ_STREAM_END && stream.avail_in > 0) {
      BZ2_bzDecompressEnd(&stream);
      char* next = stream.next_in;
      const unsigned left = stream.avail_in;
      stream = bz_stream{};
      if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK) return false;
      stream.next_in = next;
      stream.avail_in = left;
      status = BZ_OK;
    }
  }
  BZ2_bzDecompressEnd(&stream);
  return status == BZ_STREAM_END;
}

// The floor: test pass, extraction pass writing each file with WriteFile
// into `folder`, then every file read back once.
double Floor(const std::string& archive, const std::wstring& folder) {
  const std::vector<ListedEntry> entries = ListArchive(archive);
  const auto start = Clock::now();
  Decompress(archive, [](const char*, std::size_t) {});

  std::string header;
  std::uint64_t offset = 0, consumed = 0;
  std::size_t index = 0;
  std::uint64_t leftInFile = 0;
  HANDLE file = INVALID_HANDLE_VALUE;
  std::vector<std::wstring> written;
  auto open = [&]() {
    while (index < entries.size()) {
      const std::wstring path = folder + L"\\f" + std::to_wstring(index);
      file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      written.push_back(path);
      leftInFile = entries[index++].size;
      if (leftInFile > 0) return;
      ::CloseHandle(file);
      file = INVALID_HANDLE_VALUE;
    }
  };
  Decompress(archive, [&](const char* data, std::size_t size) {
    while (size > 0) {
      if (consumed < 8 || consumed < offset) {  // the header
        const std::size_t take = consumed < 8 ? std::min<std::size_t>(size, 8 - consumed)
                                              : std::min<std::size_t>(size, offset - consumed);
        header.append(data, take);
        consumed += take;
        data += take;
        size -= take;
        if (consumed == 8) {
          for (int i = 7; i >= 0; --i) offset = (offset << 8) | static_cast<unsigned char>(header[i]);
        }
        if (consumed == offset) open();
        continue;
      }
      if (file == INVALID_HANDLE_VALUE) return;
      const DWORD take = static_cast<DWORD>(std::min<std::uint64_t>(size, leftInFile));
      DWORD done = 0;
      ::WriteFile(file, data, take, &done, nullptr);
      data += take;
      size -= take;
      consumed += take;
      leftInFile -= take;
      if (leftInFile == 0) {
        ::CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
        open();
      }
    }
  });
  static char buffer[1 << 16];
  for (const std::wstring& path : written) {
    HANDLE in = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    DWORD read = 0;
    while (in != INVALID_HANDLE_VALUE && ::ReadFile(in, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    }
    if (in != INVALID_HANDLE_VALUE) ::CloseHandle(in);
  }
  const double seconds = Seconds(Clock::now() - start);
  for (const std::wstring& path : written) ::DeleteFileW(path.c_str());
  return seconds;
}

// The install sequence in this process with a page that shows nothing and
// registry places of its own: what the engine costs without the window.
class SilentPage : public InstallPageServices {
 public:
  void SetStatus(const std::wstring&) override {}
  void SetStatusPath(const std::wstring&) override {}
  void AppendLog(const std::wstring&, bool) override {}
  void ShowProgress() override {}
  void SetProgress(int) override { ++progressCalls; }
  void PumpMessages() override {}
  void PumpMessagesNow() override {}
  HWND OwnerWindow() const override { return nullptr; }
  int progressCalls = 0;
};

// With `recordFolder`, the sequence keeps its run record there, as the
// installer does in its own place.
double SequenceAlone(const std::string& archive, const std::wstring& folder, const std::wstring& recordFolder,
                     int& progressCalls) {
  const UninstallKeyLocation key{HKEY_CURRENT_USER, L"Software\\QwInstallBench", L"Meridel 6"};
  HKEY parent = nullptr;
  ::RegCreateKeyExW(HKEY_CURRENT_USER, key.parentPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &parent,
                    nullptr);
  if (parent) ::RegCloseKey(parent);
  double seconds = -1;
  {
    InstallJournal journal(key);
    ApplicationLock lock(UniqueName(L"QwBenchLock"), false, false);
    std::wstring temp;
    InstallRequest request(journal, lock, temp);
    // The same work as the quick method's: both shortcuts, in a Start-menu
    // folder of the benchmark's own.
    request.installFolder = folder;
    request.startMenuShortcut = request.desktopShortcut = true;
    request.startMenuFolder = folder + L"\\Start Menu";
    request.product = {L"Meridel", L"Meridel 6.07c", L"Meridel 6", L"6.7.3.1", L"Quillon Works", L"", L""};
    request.archive = {archive.data(), archive.size()};
    request.uninstallKey = key;
    request.productPath = {HKEY_CURRENT_USER, L"Software\\QwInstallBench"};
    request.runRecordFolder = recordFolder;
    SilentPage page;
    const auto start = Clock::now();
    const bool succeeded = RunInstallSequence(request, page).succeeded();
    seconds = Seconds(Clock::now() - start);
    progressCalls = page.progressCalls;
    if (!succeeded) seconds = -1;
    journal.Rollback();
  }
  ::SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\QwInstallBench");
  return seconds;
}

struct InstallRound {
  double seconds = -1;
  SIZE_T peakWorkingSet = 0;
};


// The status line as the system keeps it. Asking the control (WM_GETTEXT,
// as the robot does) would wait for the installer's next message pump and
// add the benchmark's own messages to the work it measures.
std::wstring StatusText(const InstallerRobot& robot) {
  wchar_t text[512] = {};
  ::InternalGetWindowText(robot.Control(kStatus), text, 512);
  return text;
}

// One quick installation from Install pressed to the final status.
InstallRound Install(const std::wstring& installer) {
  InstallRound round;
  InstallerRobot robot;
  if (!robot.Start(installer) || !robot.WaitForPage(Page::Start) || !robot.Click(kNext) ||
      !robot.WaitForPage(Page::Mode) || !robot.Click(kNext) || !robot.WaitForPage(Page::Install)) {
    return round;
  }
  WaitUntil([&] { return robot.IsEnabled(kNext); });
  HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, robot.ProcessId());
  const auto start = Clock::now();
  if (!robot.Click(kNext)) return round;
  std::wstring status;
  const bool ended = WaitUntil(
      [&] {
        status = StatusText(robot);
        return status == L"Click on 'Next' to continue." || status.find(L"(Error Code") != std::wstring::npos;
      },
      600000);
  const double seconds = Seconds(Clock::now() - start);
  if (!ended || status != L"Click on 'Next' to continue.") {
    std::printf("installation did not succeed: %ls\n", status.c_str());
    if (process) ::CloseHandle(process);
    return round;
  }
  round.seconds = seconds;
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (process && ::GetProcessMemoryInfo(process, &counters, sizeof counters)) {
    round.peakWorkingSet = counters.PeakWorkingSetSize;
  }
  if (process) ::CloseHandle(process);
  return round;
}

// Words that compress about as well as the product's text files.
std::string TextBytes(std::size_t size, std::uint32_t seed) {
  static const char* words[] = {"Meridel ", "chair ", "table ", "0.125 ", "material ", "oak ", "texture ",
                                "\r\n", "lamp ", "vertex ", "42 ", "garden ", "layer "};
  std::string text;
  std::uint32_t x = seed ? seed : 1;
  while (text.size() < size) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    text += words[x % (sizeof words / sizeof *words)];
    if (x % 7 == 0) text += std::to_string(x % 100000) + " ";
  }
  text.resize(size);
  return text;
}

std::string ShapedArchive() {
  std::vector<PackedFile> files;
  for (std::uint32_t i = 0; i < 70; ++i) {
    const std::size_t size = 150000 + (i * 7919u) % 600000;
    PackedFile f;
    f.kind = i % 10 == 9 ? 5u : 0u;
    f.folder = i % 10 == 9 ? L"<Temporary>" : L"<InstallPath>\\Data";
    f.name = L"file" + std::to_wstring(i) + L".bin";
    f.content = i % 3 == 0 ? IncompressibleBytes(size, i + 1) : TextBytes(size, i + 1);
    files.push_back(std::move(f));
  }
  return PackArchive(files);
}

void ScratchCleanup(const std::wstring& folder) { RemoveTree(folder); }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace
}  // namespace qw::test

int wmain(int argc, wchar_t** argv) {
  using namespace qw::test;
  const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 5;
  std::wstring installer = QW_TEST_INSTALLER;
  std::wstring baseline = argc > 3 ? argv[3] : L"";
  std::string archive = PayloadOfInstaller(installer);
  if (argc > 2 && std::wstring(argv[2]) != L"-") {
    archive = std::wstring(argv[2]) == L"shaped" ? ShapedArchive() : ReadArchiveFile(argv[2]);
    installer = TestProgramFolder() + L"install_bench_payload.exe";
    if (!MakeInstallerWithPayload(QW_TEST_INSTALLER, installer, archive)) {
      std::printf("cannot make an installer carrying that archive\n");
      return 1;
    }
  }
  if (!baseline.empty()) {
    const std::wstring copy = TestProgramFolder() + L"install_bench_baseline.exe";
    if (!MakeInstallerWithPayload(baseline, copy, archive)) {
      std::printf("cannot make a baseline installer carrying that archive\n");
      return 1;
    }
    baseline = copy;
  }
  const std::vector<ListedEntry> entries = ListArchive(archive);
  std::uint64_t total = 0;
  for (const ListedEntry& e : entries) total += e.size;
  WIN32_FILE_ATTRIBUTE_DATA attributes{};
  ::GetFileAttributesExW(QW_TEST_INSTALLER, GetFileExInfoStandard, &attributes);
  const std::uint64_t installerSize = attributes.nFileSizeLow;
  const std::uint64_t shippedPayload = PayloadOfInstaller(QW_TEST_INSTALLER).size();
  std::printf("payload: %u entries, %.1f MB decompressed, %.1f MB compressed\n",
              static_cast<unsigned>(entries.size()), total / 1e6, archive.size() / 1e6);
  std::printf("installer without its payload: %llu bytes (%llu with it)\n",
              static_cast<unsigned long long>(installerSize - shippedPayload),
              static_cast<unsigned long long>(installerSize));
  // What the reader sizes its decoding threads by.
  std::printf("active processors: %lu\n", static_cast<unsigned long>(::GetActiveProcessorCount(ALL_PROCESSOR_GROUPS)));

  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring floorFolder = std::wstring(temp) + UniqueName(L"qw_floor");
  ::CreateDirectoryW(floorFolder.c_str(), nullptr);

  std::vector<double> ratios, aloneRatios, windowRatios, baselineRatios;
  SIZE_T peak = 0;
  // Each contestant starts from the same machine: what one added goes before
  // the next. The sequence without a window adds what no rollback takes back
  // (the DirectX runtime's files, the program's own registration), as the
  // installation does.
  auto withoutTrace = [](auto run) {
    const MachineSnapshot before = TakeMachineSnapshot(SnapshotRoots());
    const auto result = run();
    RemoveAdditions(before, TakeMachineSnapshot(SnapshotRoots()), ComparisonExclusions());
    return result;
  };
  for (int i = 0; i < rounds; ++i) {
    InstallRound earlier;
    if (!baseline.empty()) {
      earlier = withoutTrace([&] { return Install(baseline); });
      if (earlier.seconds < 0) return 1;
      std::printf("round %d: baseline installation %.3f s, peak working set %.1f MB\n", i + 1, earlier.seconds,
                  earlier.peakWorkingSet / 1e6);
    }
    const InstallRound install = withoutTrace([&] { return Install(installer); });
    const double floor = Floor(archive, floorFolder);
    int progressCalls = 0;
    auto sequenceAlone = [&](bool record) {
      return withoutTrace([&] {
        const double seconds = SequenceAlone(archive, floorFolder + L"\\alone",
                                             record ? floorFolder + L"\\record" : L"", progressCalls);
        ScratchCleanup(floorFolder + L"\\alone");
        return seconds;
      });
    };
    const double alone = sequenceAlone(true);
    const double unrecorded = sequenceAlone(false);
    if (install.seconds < 0) return 1;
    std::printf("round %d: the sequence in this process without a window %.3f s (%d progress reports), "
                "without its run record %.3f s\n",
                i + 1, alone, progressCalls, unrecorded);
    peak = std::max(peak, install.peakWorkingSet);
    ratios.push_back(install.seconds / floor);
    if (alone > 0) {
      aloneRatios.push_back(alone / floor);
      windowRatios.push_back(install.seconds / alone);
    }
    if (earlier.seconds > 0) baselineRatios.push_back(install.seconds / earlier.seconds);
    std::printf("round %d: installation %.3f s, floor %.3f s, ratio %.2f, installer peak working set %.1f MB\n",
                i + 1, install.seconds, floor, ratios.back(), install.peakWorkingSet / 1e6);
    std::fflush(stdout);
  }
  ::RemoveDirectoryW(floorFolder.c_str());
  std::printf("installer peak working set: %.1f MB\n", peak / 1e6);
  std::printf("no-window ratio to the floor %.2f\n", Median(aloneRatios));
  std::printf("installation / no-window sequence %.2f\n", Median(windowRatios));
  if (!baselineRatios.empty()) std::printf("ratio to baseline %.2f\n", Median(baselineRatios));
  std::printf("ratio %.2f\n", Median(ratios));
  return 0;
}
