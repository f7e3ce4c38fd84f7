// Benchmark (not a test) of a whole installation under Wine: the real
// installer driven from Install pressed to its final status, beside a
// floor measured in the same run on the same payload by this program
// itself: the archive decompressed twice with libbz2 (the installer tests
// it, then extracts it), every file written with WriteFile and read back
// once. It prints both times per round, the installer's peak working set,
// its size without the payload, and last "ratio R": install / floor, the
// median of the paired rounds.
//
//   install_bench.exe [ROUNDS] [ARCHIVE]
//
// Without ARCHIVE it installs the payload the installer of this tree
// carries; with one it installs a copy of the installer carrying ARCHIVE.
// Each round removes what the installation added before the next one.
#include <windows.h>
#include <psapi.h>

#include <bzlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "child_process.h"
#include "install_robot.h"
#include "installer_copy.h"
#include "machine_snapshot.h"
#include "test_payload.h"
#include "wizard_expectations.h"

namespace qw::test {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The whole decompressed stream through libbz2, chunk by chunk, handed to
// `sink`; false on a bzip2 error.
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

struct InstallRound {
  double seconds = -1;
  SIZE_T peakWorkingSet = 0;
};

// One quick installation from Install pressed to the final status.
InstallRound Install(const std::wstring& installer) {
  InstallRound round;
  InstallerRobot robot;
  if (!robot.Start(installer) || !robot.WaitForPage(Page::Start) || !robot.Click(kNext) ||
      !robot.WaitForPage(Page::Mode) || !robot.Click(kNext) || !robot.WaitForPage(Page::Install)) {
    return round;
  }
  WaitUntil([&] { return robot.IsEnabled(kNext); });
  const auto start = Clock::now();
  if (!robot.Click(kNext)) return round;
  const bool ended = WaitUntil(
      [&] {
        const std::wstring status = robot.Text(kStatus);
        return status == L"Click on 'Next' to continue." || status.find(L"(Error Code") != std::wstring::npos;
      },
      600000);
  const double seconds = Seconds(Clock::now() - start);
  if (!ended || robot.Text(kStatus) != L"Click on 'Next' to continue.") {
    std::printf("installation did not succeed: %ls\n", robot.Text(kStatus).c_str());
    return round;
  }
  round.seconds = seconds;
  HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, robot.ProcessId());
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (process && ::GetProcessMemoryInfo(process, &counters, sizeof counters)) {
    round.peakWorkingSet = counters.PeakWorkingSetSize;
  }
  if (process) ::CloseHandle(process);
  return round;
}

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
  std::string archive = PayloadOfInstaller(installer);
  if (argc > 2) {
    archive = ReadArchiveFile(argv[2]);
    installer = TestProgramFolder() + L"install_bench_payload.exe";
    if (!MakeInstallerWithPayload(QW_TEST_INSTALLER, installer, archive)) {
      std::printf("cannot make an installer carrying that archive\n");
      return 1;
    }
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

  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring floorFolder = std::wstring(temp) + UniqueName(L"qw_floor");
  ::CreateDirectoryW(floorFolder.c_str(), nullptr);

  std::vector<double> ratios;
  SIZE_T peak = 0;
  for (int i = 0; i < rounds; ++i) {
    const MachineSnapshot before = TakeMachineSnapshot(SnapshotRoots());
    const InstallRound install = Install(installer);
    RemoveAdditions(before, TakeMachineSnapshot(SnapshotRoots()), WineExclusions());
    const double floor = Floor(archive, floorFolder);
    if (install.seconds < 0) return 1;
    peak = std::max(peak, install.peakWorkingSet);
    ratios.push_back(install.seconds / floor);
    std::printf("round %d: installation %.3f s, floor %.3f s, ratio %.2f, installer peak working set %.1f MB\n",
                i + 1, install.seconds, floor, ratios.back(), install.peakWorkingSet / 1e6);
    std::fflush(stdout);
  }
  ::RemoveDirectoryW(floorFolder.c_str());
  std::printf("installer peak working set: %.1f MB\n", peak / 1e6);
  std::printf("ratio %.2f\n", Median(ratios));
  return 0;
}
