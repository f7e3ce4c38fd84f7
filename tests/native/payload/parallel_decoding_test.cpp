// The reader of multi-stream archives in memory, whose streams are decoded
// on worker threads, against the reader on the caller's thread alone (an
// archive read from a stream) over the same archives: the same
// notifications in the same order, the same answer from test, the same
// failure code and text, and the same files on disk, for sound archives
// split in many ways and for damage in the first, a middle and the last
// stream. And a cancel stops every worker.

#include <boost/filesystem/operations.hpp>
#include <gtest/gtest.h>

#include <dirent.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "payload/bzip2_stream_starts.h"
#include "payload/payload_archive.h"
#include "payload/wide_path.h"
#include "test_archive.h"

namespace qw {
namespace {

using test::TestFile;

// Every notification as a line (paths relative to `root`), answering
// `cancel` to the notification numbered `cancelAt`.
struct ReadResult {
  bool extracted = false;
  bool tested = false;
  std::vector<std::string> lines;
  std::map<std::string, std::string> files;  // relative path -> content
};

std::string Relative(const boost::filesystem::path& path, const boost::filesystem::path& root) {
  const std::string text = path.string(), prefix = root.string();
  return text.rfind(prefix, 0) == 0 ? text.substr(prefix.size()) : text;
}

std::string Line(const notification& n, const boost::filesystem::path& root) {
  switch (n.index()) {
    case 0: return "started";
    case 1: {
      const auto& f = std::get<notification::finished>(n.value);
      return "finished " + std::to_string(f.compressedBytes) + " " + std::to_string(f.decompressedBytes);
    }
    case 2: return "begin " + Relative(std::get<notification::file_begin>(n.value).entry.destination, root);
    case 3: return "end " + Relative(std::get<notification::file_end>(n.value).entry.destination, root);
    case 4: {
      const auto& p = std::get<notification::progress>(n.value);
      return "progress " + std::to_string(p.done) + "/" + std::to_string(p.total);
    }
    default: {
      const auto& f = std::get<notification::failure>(n.value);
      return std::string("failure ") + f.code.category().name() + " " + std::to_string(f.code.value()) + " " +
             Relative(boost::filesystem::path(f.text), root);
    }
  }
}

std::map<std::string, std::string> FilesUnder(const boost::filesystem::path& root) {
  std::map<std::string, std::string> files;
  for (boost::filesystem::recursive_directory_iterator it(root), end; it != end; ++it) {
    if (boost::filesystem::is_regular_file(it->path())) files[Relative(it->path(), root)] = test::ReadFile(it->path());
  }
  return files;
}

std::size_t ThreadsOfThisProcess() {
  std::size_t count = 0;
  if (DIR* tasks = ::opendir("/proc/self/task")) {
    while (const dirent* entry = ::readdir(tasks)) count += entry->d_name[0] != '.';
    ::closedir(tasks);
  }
  return count;
}

// Streams of the decompressed `bytes`, cut at `cuts` (ascending offsets).
std::string Streams(const std::string& bytes, std::vector<std::size_t> cuts) {
  cuts.push_back(bytes.size());
  std::string out;
  std::size_t from = 0;
  for (std::size_t cut : cuts) {
    out += test::Bzip2(bytes.substr(from, cut - from));
    from = cut;
  }
  return out;
}

std::vector<std::size_t> EveryN(std::size_t size, std::size_t n) {
  std::vector<std::size_t> cuts;
  for (std::size_t at = n; at < size; at += n) cuts.push_back(at);
  return cuts;
}

// Pseudo-random bytes (bzip2 cannot shrink them) and some text.
std::string Content(std::size_t size, std::uint32_t seed) {
  std::string bytes(size, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < size; ++i) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    bytes[i] = (i / 4096) % 2 ? static_cast<char>('a' + x % 7) : static_cast<char>(x);
  }
  return bytes;
}

std::vector<TestFile> SomeFiles() {
  std::vector<TestFile> files;
  const std::size_t sizes[] = {70000, 3, 150000, 0, 90001, 4096, 120000, 65536, 1, 200000};
  for (std::size_t i = 0; i < sizeof sizes / sizeof *sizes; ++i) {
    const std::u16string name = u"f" + std::u16string(1, static_cast<char16_t>(u'a' + i)) + u".bin";
    files.push_back({name, i % 3 ? u"<InstallPath>\\Data" : u"<Temporary>", Content(sizes[i], i + 1), 0});
  }
  return files;
}

class ParallelDecoding : public ::testing::Test {
 protected:
  PlaceholderFolders Folders() const { return {scratch_.wide(), L"Examples", scratch_.wide() + L"/tmp"}; }

  // Tests (and, when it passes or `extractAnyway`, extracts) `archive`:
  // from a stream of the caller's (one thread) or from memory on workers.
  ReadResult Read(const std::string& archive, bool onWorkers, std::size_t cancelAt = SIZE_MAX) {
    boost::filesystem::remove_all(scratch_.path());
    boost::filesystem::create_directories(scratch_.path());
    std::istringstream stream(archive);
    std::unique_ptr<PayloadArchive> reader =
        onWorkers ? std::make_unique<PayloadArchive>(ArchiveBytes{archive.data(), archive.size()}, 3)
                  : std::make_unique<PayloadArchive>(stream);
    ReadResult run;
    run.tested = reader->test();
    reader->rewind();
    run.extracted = reader->extract(
        Folders(),
        [&](notification& n) {
          run.lines.push_back(Line(n, scratch_.path()));
          return run.lines.size() - 1 == cancelAt ? notification::cancel : notification::proceed;
        },
        [](int) { return std::wstring(L"/nonexistent-system"); });
    run.files = FilesUnder(scratch_.path());
    return run;
  }

  // Both readers over `archive`, compared; returns the workers' run.
  ReadResult Compare(const std::string& archive, const std::string& what, std::size_t cancelAt = SIZE_MAX) {
    const ReadResult alone = Read(archive, false, cancelAt);
    const ReadResult workers = Read(archive, true, cancelAt);
    EXPECT_EQ(workers.tested, alone.tested) << what;
    EXPECT_EQ(workers.extracted, alone.extracted) << what;
    EXPECT_EQ(workers.lines, alone.lines) << what;
    EXPECT_TRUE(workers.files == alone.files) << what << ": the files on disk differ";
    return workers;
  }

  test::ScratchFolder scratch_;
};

TEST_F(ParallelDecoding, SoundArchivesSplitAnyWayReadAsOnOneThread) {
  const std::vector<TestFile> files = SomeFiles();
  const std::string bytes = test::ArchiveBytes(files);
  const std::size_t offset = bytes.size() - [&] {
    std::size_t sum = 0;
    for (const TestFile& f : files) sum += f.content.size();
    return sum;
  }();
  std::vector<std::size_t> fileBoundaries;
  for (std::size_t at = offset, i = 0; i + 1 < files.size(); ++i) {
    at += files[i].content.size();
    if (fileBoundaries.empty() || fileBoundaries.back() != at) fileBoundaries.push_back(at);
  }
  const std::vector<std::pair<std::string, std::vector<std::size_t>>> splits = {
      {"one stream", {}},
      {"streams of 100000 bytes", EveryN(bytes.size(), 100000)},
      {"streams of 4096 bytes", EveryN(bytes.size(), 4096)},
      {"a stream per file", fileBoundaries},
      {"the directory over several streams, the data offset split", {3, 5, 200, offset - 1}},
      {"an empty stream in the middle", {50000, 50000}},
  };
  for (const auto& [what, cuts] : splits) {
    const std::string archive = Streams(bytes, cuts);
    EXPECT_EQ(FindBzip2StreamStarts(archive.data(), archive.size()).size(), cuts.size() + 1) << what;
    const ReadResult run = Compare(archive, what);
    EXPECT_TRUE(run.extracted) << what;
    EXPECT_EQ(run.files.size(), files.size()) << what;
  }
}

TEST_F(ParallelDecoding, DamageInAnyStreamEndsAsOnOneThread) {
  std::vector<TestFile> files = SomeFiles();
  const std::string sound = test::ArchiveBytes(files);
  // A stored CRC that does not match its file, in the first, a middle and
  // the last stream of streams of 60000 bytes.
  const std::vector<std::size_t> cuts = EveryN(sound.size(), 60000);
  const std::vector<std::size_t> streams = {0, cuts.size() / 2, cuts.size()};
  for (std::size_t stream : streams) {
    const std::size_t from = stream == 0 ? 0 : cuts[stream - 1];
    const std::size_t to = stream == cuts.size() ? sound.size() : cuts[stream];
    std::string changed = sound;
    changed[(from + to) / 2] ^= 0x20;  // file data: the directory is in the first 400 bytes
    const ReadResult run = Compare(Streams(changed, cuts), "content changed in stream " + std::to_string(stream));
    EXPECT_EQ(run.lines.back().rfind("failure compress 3 ", 0), 0u) << run.lines.back();
  }
  const std::string archive = Streams(sound, cuts);
  const std::vector<std::size_t> starts = FindBzip2StreamStarts(archive.data(), archive.size());
  ASSERT_EQ(starts.size(), cuts.size() + 1);
  for (std::size_t stream : streams) {
    const std::size_t from = starts[stream];
    const std::size_t to = stream + 1 < starts.size() ? starts[stream + 1] : archive.size();
    const std::string n = std::to_string(stream);
    std::string damaged = archive;
    damaged[(from + to) / 2] ^= 0x55;
    EXPECT_FALSE(Compare(damaged, "damaged block in stream " + n).tested);
    damaged = archive;
    damaged[from + 2] = 'x';
    EXPECT_FALSE(Compare(damaged, "damaged header of stream " + n).tested);
    EXPECT_FALSE(Compare(archive.substr(0, to - 7) + archive.substr(to), "stream " + n + " truncated").tested);
  }
  EXPECT_FALSE(Compare(archive + "BZh91AY&SY garbage", "a false stream start after the last stream").tested);
  EXPECT_FALSE(Compare(archive.substr(0, starts[2]) + "BZh91AY&SY" + archive.substr(starts[2]),
                       "a false stream start between streams").tested);
}

TEST_F(ParallelDecoding, CallbackFailuresAndCancelStopEveryWorker) {
  const std::vector<TestFile> files = SomeFiles();
  const std::string archive = Streams(test::ArchiveBytes(files), EveryN(test::ArchiveBytes(files).size(), 20000));
  const std::size_t before = ThreadsOfThisProcess();
  ASSERT_GT(before, 0u) << "probe: /proc/self/task lists no thread";
  const ReadResult all = Read(archive, false);
  ASSERT_TRUE(all.extracted);
  for (std::size_t cancelAt : {std::size_t{2}, all.lines.size() / 3, all.lines.size() / 2, all.lines.size() - 3}) {
    const ReadResult run = Compare(archive, "cancel at notification " + std::to_string(cancelAt), cancelAt);
    EXPECT_EQ(run.lines.size(), cancelAt + 2) << "only the failure follows the cancel";
    EXPECT_EQ(run.lines.back().rfind("failure compress 5", 0), 0u) << run.lines.back();
    EXPECT_EQ(ThreadsOfThisProcess(), before) << "no worker is left";
  }
}

TEST_F(ParallelDecoding, WorkersRunWhileTheExtractionWaitsForTheCallback) {
  const std::string bytes = test::ArchiveBytes(SomeFiles());
  const std::string archive = Streams(bytes, EveryN(bytes.size(), 20000));
  PayloadArchive reader(ArchiveBytes{archive.data(), archive.size()}, 3);
  const std::size_t before = ThreadsOfThisProcess();
  std::size_t most = 0;
  EXPECT_TRUE(reader.extract(Folders(), [&](notification&) {
    most = std::max(most, ThreadsOfThisProcess());
    return notification::proceed;
  }));
  EXPECT_GT(most, before) << "the streams were decoded by other threads";
  EXPECT_LE(most, before + 3);
  EXPECT_EQ(ThreadsOfThisProcess(), before);
}

TEST(Bzip2StreamStarts, FindsEachStreamOfAConcatenationOnly) {
  const std::string one = test::Bzip2("first"), two = test::Bzip2(""), three = test::Bzip2(std::string(5000, 'z'));
  const std::string all = one + two + three;
  EXPECT_EQ(FindBzip2StreamStarts(all.data(), all.size()),
            (std::vector<std::size_t>{0, one.size(), one.size() + two.size()}));
  const std::string plain = "not BZh91AY&SY at the start";
  EXPECT_TRUE(FindBzip2StreamStarts(plain.data(), plain.size()).empty());
  EXPECT_TRUE(FindBzip2StreamStarts(nullptr, 0).empty());
}

}  // namespace
}  // namespace qw
