// Benchmark of the payload reader on an archive shaped like the shipped one
// (70 entries, about 26.5 MB decompressed, about 9 MB compressed: a mix of
// incompressible and compressible files). It times test + extract (with the
// CRC read-back) against a baseline measured in the same run: the same
// archive decompressed twice by libbz2 into a null sink plus reading the
// extracted files back. It prints both times, the peak resident memory
// growth during the extraction, and last "ratio R" = extract / baseline,
// the median over five rounds of processor time. Each round also times the
// same from the archive's bytes in memory, where its streams are decoded on
// worker threads, and the wall-clock ratio of the two is printed.
//
//   payload_bench [--large] [--work DIR]
//
// --large also runs a 1 GB payload (generated streaming; several minutes).
// Its figures are printed before the final ratio line, which always
// belongs to the shipped-size payload.

#include <bzlib.h>
#include <fcntl.h>
#include <malloc.h>
#include <time.h>
#include <unistd.h>

#include <boost/crc.hpp>
#include <boost/filesystem.hpp>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "payload/payload_archive.h"
#include "payload/stream_decoders.h"
#include "payload/unicode_text.h"
#include "payload/wide_path.h"
#include "tools/payload_packer/archive_packing.h"

namespace fs = boost::filesystem;

namespace {

constexpr int kEntries = 70;

// Deterministic content: entry i is random bytes (about 24 % of the
// payload) or text made of a small vocabulary, which bzip2 shrinks to
// roughly a tenth.
class ContentSource {
 public:
  explicit ContentSource(std::uint64_t total) {
    std::uint64_t assigned = 0;
    for (int i = 0; i < kEntries; ++i) {
      const std::uint64_t size = i == kEntries - 1 ? total - assigned : total / kEntries + (i % 7) * 997 - 3 * 997;
      sizes_.push_back(size);
      assigned += size;
    }
  }

  std::uint64_t size(std::size_t entry) const { return sizes_[entry]; }
  bool Random(std::size_t entry) const { return entry % 25 < 6; }

  void Generate(std::size_t entry, const std::function<void(const char*, std::size_t)>& write) const {
    std::uint32_t state = static_cast<std::uint32_t>(entry) * 2654435761u + 1;
    auto next = [&state] {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      return state;
    };
    static const char* const kWords[] = {"mesh ", "vertex ", "Meridel ", "material ", "texture ", "oak ",
                                         "chair ", "table ", "0.25 ", "1.75 ", "\r\n", "layer ", "light ",
                                         "shadow ", "grid ", "snap "};
    std::vector<char> block(64 * 1024);
    for (std::uint64_t left = sizes_[entry]; left > 0;) {
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size()));
      if (Random(entry)) {
        for (std::size_t i = 0; i < n; i += 4) {
          const std::uint32_t r = next();
          for (std::size_t k = 0; k < 4 && i + k < n; ++k) block[i + k] = static_cast<char>(r >> (8 * k));
        }
      } else {
        std::size_t i = 0;
        while (i < n) {
          const std::uint32_t r = next();
          const char* word = (r & 0xF00) == 0 ? nullptr : kWords[r & 15];
          if (!word) {  // a number now and then keeps it from being trivial
            block[i++] = static_cast<char>('0' + (r >> 16) % 10);
            continue;
          }
          for (; *word && i < n; ++word) block[i++] = *word;
        }
      }
      write(block.data(), n);
      left -= n;
    }
  }

 private:
  std::vector<std::uint64_t> sizes_;
};

std::uint64_t MakeArchive(const ContentSource& content, const std::string& path) {
  std::vector<qw::DirectoryRecord> records(kEntries);
  for (std::size_t i = 0; i < records.size(); ++i) {
    boost::crc_32_type crc;
    content.Generate(i, [&](const char* data, std::size_t n) { crc.process_bytes(data, n); });
    const std::string name = "bench" + std::to_string(i) + (content.Random(i) ? ".cab" : ".mr-lib");
    records[i] = {qw::Utf16FromWide(L"C:\\build\\" + qw::WideFromUtf8(name)),
                  i % 10 == 9 ? u"<Temporary>" : u"<InstallPath>\\Data", i % 10 == 9 ? 5u : 0u,
                  content.size(i), crc.checksum()};
  }
  return qw::WriteArchive(path, records, [&](std::size_t i, const auto& write) { content.Generate(i, write); });
}

// Wall-clock and processor time (user + system) of this process. On a
// shared build machine the wall clock mostly measures the neighbours, so the
// ratio is taken from processor time; both are printed.
struct Clock {
  std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
  double cpu = CpuSeconds();

  static double CpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
  }
};

struct Times {
  double wall;
  double cpu;
};

Times Since(const Clock& start) {
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start.wall).count(),
          Clock::CpuSeconds() - start.cpu};
}

long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.compare(0, std::strlen(field), field) == 0) return std::stol(line.substr(std::strlen(field)));
  return -1;
}

// Resets the peak resident size to the current one (Linux 4.0 and later).
void ResetPeakResident() { std::ofstream("/proc/self/clear_refs") << "5"; }

void DropFolder(const fs::path& folder) {
  boost::system::error_code ignored;
  fs::remove_all(folder, ignored);
}

struct Extraction {
  Times time;
  double peakGrowthMb;
  std::uint64_t files;
};

Extraction TimeExtraction(const std::string& archivePath, const fs::path& target) {
  DropFolder(target);
  // Memory freed by earlier work stays resident in the heap and would hide
  // the growth; give it back first.
  ::malloc_trim(0);
  ResetPeakResident();
  const long before = StatusKb("VmRSS:");
  const Clock start;
  std::ifstream input(archivePath, std::ios::binary);
  qw::PayloadArchive archive(input);
  if (!archive.test()) throw std::runtime_error("the archive test failed");
  archive.rewind();
  std::uint64_t files = 0;
  const bool ok = archive.extract({qw::PathText(target), L"", qw::PathText(target / "temp")},
                                  [&](qw::notification& n) {
                                    files += n.index() == 3;
                                    return qw::notification::proceed;
                                  });
  const Times time = Since(start);
  if (!ok) throw std::runtime_error("the extraction failed");
  return {time, (StatusKb("VmHWM:") - before) / 1024.0, files};
}

// The same from the archive's bytes in memory, as the installer reads its
// resource: the streams decoded on DecodingThreads() workers.
Times TimeMemoryExtraction(const std::string& archivePath, const fs::path& target) {
  DropFolder(target);
  std::ifstream file(archivePath, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const Clock start;
  qw::PayloadArchive archive(qw::ArchiveBytes{bytes.data(), bytes.size()});
  if (!archive.test()) throw std::runtime_error("the archive test failed");
  archive.rewind();
  if (!archive.extract({qw::PathText(target), L"", qw::PathText(target / "temp")},
                       [](qw::notification&) { return qw::notification::proceed; })) {
    throw std::runtime_error("the extraction failed");
  }
  return Since(start);
}

void DecompressToNothing(const std::string& archivePath) {
  const int fd = ::open(archivePath.c_str(), O_RDONLY);
  if (fd < 0) throw std::runtime_error("cannot open " + archivePath);
  bz_stream stream{};
  BZ2_bzDecompressInit(&stream, 0, 0);
  static char in[64 * 1024], out[64 * 1024];
  // The packer's streams one after the other, each to its end.
  for (;;) {
    if (stream.avail_in == 0) {
      const ssize_t got = ::read(fd, in, sizeof in);
      if (got <= 0) break;
      stream.next_in = in;
      stream.avail_in = static_cast<unsigned>(got);
    }
    stream.next_out = out;
    stream.avail_out = sizeof out;
    const int result = BZ2_bzDecompress(&stream);
    if (result != BZ_OK && result != BZ_STREAM_END) throw std::runtime_error("libbz2 failed");
    if (result == BZ_STREAM_END) {
      char* next = stream.next_in;
      const unsigned left = stream.avail_in;
      BZ2_bzDecompressEnd(&stream);
      stream = bz_stream{};
      BZ2_bzDecompressInit(&stream, 0, 0);
      stream.next_in = next;
      stream.avail_in = left;
    }
  }
  BZ2_bzDecompressEnd(&stream);
  ::close(fd);
}

std::uint64_t ReadBack(const fs::path& folder) {
  std::uint64_t total = 0;
  static char buffer[64 * 1024];
  for (fs::recursive_directory_iterator it(folder), end; it != end; ++it) {
    if (!fs::is_regular_file(it->path())) continue;
    const int fd = ::open(it->path().c_str(), O_RDONLY);
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) total += static_cast<std::uint64_t>(got);
    ::close(fd);
  }
  return total;
}

Times TimeBaseline(const std::string& archivePath, const fs::path& extracted) {
  const Clock start;
  DecompressToNothing(archivePath);
  DecompressToNothing(archivePath);
  ReadBack(extracted);
  return Since(start);
}

// The best of the rounds, wall and processor times separately, and the
// median of the rounds' own ratios: each round measures extraction and
// baseline back to back, so its ratio is the least disturbed by neighbours.
struct Result {
  Times extract{1e300, 1e300};
  Times baseline{1e300, 1e300};
  double growthMb = 0;
  std::vector<double> ratios;  // processor time, per round

  double MedianRatio() const {
    std::vector<double> sorted = ratios;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t n = sorted.size();
    return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
  }
};

void KeepBest(Times& best, const Times& round) {
  best.wall = std::min(best.wall, round.wall);
  best.cpu = std::min(best.cpu, round.cpu);
}

Result Run(const char* label, std::uint64_t total, const fs::path& work, int rounds) {
  const std::string archivePath = (work / (std::string(label) + ".bz2")).string();
  const fs::path target = work / (std::string(label) + "-installed");
  std::cout << label << ": making the archive..." << std::flush;
  const std::uint64_t compressed = MakeArchive(ContentSource(total), archivePath);
  std::cout << " " << kEntries << " entries, " << total / 1e6 << " MB decompressed, " << compressed / 1e6
            << " MB compressed\n";
  Result best;
  std::vector<double> memoryRatios;  // wall clock, on workers / on this thread
  for (int round = 0; round < rounds; ++round) {
    const Times memory = TimeMemoryExtraction(archivePath, target);
    const Extraction extraction = TimeExtraction(archivePath, target);
    const Times baseline = TimeBaseline(archivePath, target);
    memoryRatios.push_back(memory.wall / extraction.time.wall);
    std::cout << label << ": round " << round + 1 << ": from memory on " << qw::DecodingThreads()
              << " decoding threads " << memory.wall << " s wall\n";
    KeepBest(best.extract, extraction.time);
    KeepBest(best.baseline, baseline);
    best.growthMb = std::max(best.growthMb, extraction.peakGrowthMb);
    best.ratios.push_back(extraction.time.cpu / baseline.cpu);
    std::cout << label << ": round " << round + 1 << ": extract " << extraction.time.cpu << " s cpu / "
              << extraction.time.wall << " s wall (" << extraction.files << " files), baseline "
              << baseline.cpu << " s cpu / " << baseline.wall << " s wall\n";
  }
  std::cout << label << ": extract (test + extract + CRC read-back) " << best.extract.cpu << " s cpu, "
            << best.extract.wall << " s wall\n"
            << label << ": baseline (libbz2 twice into a null sink + read-back) " << best.baseline.cpu
            << " s cpu, " << best.baseline.wall << " s wall\n"
            << label << ": peak resident memory growth " << best.growthMb << " MB\n"
            << label << ": ratio " << best.MedianRatio() << " (median of the rounds, processor time); best times "
            << best.extract.cpu / best.baseline.cpu << " (processor), " << best.extract.wall / best.baseline.wall
            << " (wall clock)\n";
  std::sort(memoryRatios.begin(), memoryRatios.end());
  std::cout << label << ": from memory on " << qw::DecodingThreads()
            << " decoding threads / from a stream on this thread: " << memoryRatios[memoryRatios.size() / 2]
            << " (median of the rounds, wall clock)\n";
  DropFolder(target);
  fs::remove(archivePath);
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  bool large = false;
  fs::path work = fs::temp_directory_path() / fs::unique_path("qw-payload-bench-%%%%");
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--large") {
      large = true;
    } else if (arg == "--work" && i + 1 < argc) {
      work = fs::path(argv[++i]) / fs::unique_path("qw-payload-bench-%%%%");
    } else {
      std::cerr << "usage: payload_bench [--large] [--work DIR]\n";
      return 2;
    }
  }
  try {
    fs::create_directories(work);
    const Result shipped = Run("shipped-size", 26561520, work, 5);
    if (large) Run("1GB", 1000ull * 1000 * 1000, work, 1);
    DropFolder(work);
    std::cout << "ratio " << shipped.MedianRatio() << "\n";
  } catch (const std::exception& error) {
    DropFolder(work);
    std::cerr << "payload_bench: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
