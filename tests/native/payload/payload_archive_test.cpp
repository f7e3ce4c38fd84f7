// The reader end to end on archives made in memory: notifications and their
// order, the choices of each callback answer, and every failure code.

#include "payload/payload_archive.h"

#include <boost/filesystem/operations.hpp>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "payload/compress_error.h"
#include "payload/wide_path.h"
#include "test_archive.h"

namespace qw {
namespace {

using test::TestFile;

// Records every notification as a line of text and answers from a script.
class Recorder {
 public:
  notification::result operator()(notification& n) {
    std::string line;
    switch (n.index()) {
      case 0: line = "started"; break;
      case 1: {
        const auto& f = std::get<notification::finished>(n.value);
        line = "finished " + std::to_string(f.decompressedBytes);
        compressed = f.compressedBytes;
        break;
      }
      case 2: line = "begin " + std::get<notification::file_begin>(n.value).entry.destination.filename().string(); break;
      case 3: line = "end " + std::get<notification::file_end>(n.value).entry.destination.filename().string(); break;
      case 4: {
        const auto& p = std::get<notification::progress>(n.value);
        line = "progress " + std::to_string(p.done) + "/" + std::to_string(p.total);
        break;
      }
      case 5: {
        const auto& f = std::get<notification::failure>(n.value);
        failure = f.code;
        failureText = f.text;
        line = "failure " + std::to_string(f.code.value());
        break;
      }
    }
    lines.push_back(line);
    if (const auto reason = reasons.find(lines.size() - 1); reason != reasons.end()) n.reason = reason->second;
    const auto it = answers.find(lines.size() - 1);
    return it == answers.end() ? notification::proceed : it->second;
  }

  std::vector<std::string> lines;
  std::map<std::size_t, notification::result> answers;  // by notification number
  std::map<std::size_t, std::error_code> reasons;        // the same
  std::error_code failure;
  std::wstring failureText;
  std::uint64_t compressed = 0;
};

class PayloadArchiveTest : public ::testing::Test {
 protected:
  bool Extract(const std::string& compressed) {
    PayloadArchive archive(ArchiveBytes{compressed.data(), compressed.size()});
    return archive.extract(Folders(), std::ref(recorder_), [](int) { return std::wstring(L"/nonexistent-system"); });
  }
  PlaceholderFolders Folders() const { return {scratch_.wide(), L"Examples", scratch_.wide() + L"/tmp"}; }
  boost::filesystem::path In(const std::string& relative) const { return scratch_.path() / relative; }

  test::ScratchFolder scratch_;
  Recorder recorder_;
};

const std::vector<TestFile> kTwoFiles = {
    {u"C:\\src\\one.txt", u"<InstallPath>\\Lang", "first file", 0},
    {u"two.bin", u"<Temporary>", std::string("\0\1\2\3", 4), 5}};

TEST_F(PayloadArchiveTest, ExtractsAndReportsInOrder) {
  const std::string bytes = test::ArchiveBytes(kTwoFiles);
  const std::string compressed = test::Bzip2(bytes);
  ASSERT_TRUE(Extract(compressed));
  const std::uint64_t offset = bytes.size() - 14, total = bytes.size();
  EXPECT_EQ(recorder_.lines, (std::vector<std::string>{
      "started", "progress " + std::to_string(offset) + "/" + std::to_string(total),
      "begin one.txt", "progress " + std::to_string(offset + 10) + "/" + std::to_string(total), "end one.txt",
      "begin two.bin", "progress " + std::to_string(total) + "/" + std::to_string(total), "end two.bin",
      "finished " + std::to_string(total)}));
  EXPECT_EQ(recorder_.compressed, compressed.size());
  EXPECT_EQ(test::ReadFile(In("Lang/one.txt")), "first file");
  EXPECT_EQ(test::ReadFile(In("tmp/two.bin")), std::string("\0\1\2\3", 4));
}

TEST_F(PayloadArchiveTest, TestRewindThenExtractOnTheSameArchive) {
  const std::string compressed = test::Bzip2(test::ArchiveBytes(kTwoFiles));
  PayloadArchive archive(ArchiveBytes{compressed.data(), compressed.size()});
  bool tested = false;
  auto callback = [&](notification& n) {
    if (n.index() == 0) {  // as the installer does from its started handler
      tested = archive.test();
      archive.rewind();
    }
    return recorder_(n);
  };
  EXPECT_TRUE(archive.extract(Folders(), callback));
  EXPECT_TRUE(tested);
  EXPECT_EQ(recorder_.lines.back(), "finished " + std::to_string(test::ArchiveBytes(kTwoFiles).size()));
}

TEST_F(PayloadArchiveTest, EmptyArchiveWithOffsetTwelve) {
  ASSERT_TRUE(Extract(test::Bzip2(test::ArchiveBytes({}))));
  EXPECT_EQ(recorder_.lines, (std::vector<std::string>{"started", "progress 12/12", "finished 12"}));
}

TEST_F(PayloadArchiveTest, EmptyFilesAreCreatedAlsoAtTheEnd) {
  const std::vector<TestFile> files = {{u"a.txt", u"<InstallPath>", "", 0},
                                       {u"b.txt", u"<InstallPath>", "b", 0},
                                       {u"c.txt", u"<InstallPath>", "", 0}};
  ASSERT_TRUE(Extract(test::Bzip2(test::ArchiveBytes(files))));
  EXPECT_TRUE(boost::filesystem::exists(In("a.txt")));
  EXPECT_EQ(boost::filesystem::file_size(In("c.txt")), 0u);
  const auto& lines = recorder_.lines;
  EXPECT_NE(std::find(lines.begin(), lines.end(), "end c.txt"), lines.end());
  EXPECT_EQ(lines.back().substr(0, 8), "finished");
}

TEST_F(PayloadArchiveTest, SkippedFileIsCountedButNotWritten) {
  recorder_.answers[2] = notification::skip;  // begin one.txt
  ASSERT_TRUE(Extract(test::Bzip2(test::ArchiveBytes(kTwoFiles))));
  EXPECT_FALSE(boost::filesystem::exists(In("Lang/one.txt")));
  EXPECT_EQ(recorder_.lines[3].substr(0, 9), "progress ");
  EXPECT_EQ(recorder_.lines[4], "begin two.bin") << "no end for a skipped file";
  EXPECT_TRUE(boost::filesystem::exists(In("tmp/two.bin")));
}

TEST_F(PayloadArchiveTest, CancelAtBeginLeavesNoFile) {
  recorder_.answers[2] = notification::cancel;
  EXPECT_FALSE(Extract(test::Bzip2(test::ArchiveBytes(kTwoFiles))));
  EXPECT_EQ(recorder_.failure, compress_errc::interrupted);
  EXPECT_FALSE(boost::filesystem::exists(In("Lang/one.txt")));
  EXPECT_EQ(recorder_.lines.size(), 4u) << "failure is the last notification";
}

TEST_F(PayloadArchiveTest, CancelGivesTheCallbacksReasonAsTheFailure) {
  recorder_.answers[0] = notification::cancel;  // started
  recorder_.reasons[0] = make_error_code(compress_errc::archive_test_failed);
  EXPECT_FALSE(Extract(test::Bzip2(test::ArchiveBytes(kTwoFiles))));
  EXPECT_EQ(recorder_.lines, (std::vector<std::string>{"started", "failure 4"}));
  EXPECT_TRUE(recorder_.failureText.empty()) << "no file was open";
  EXPECT_FALSE(boost::filesystem::exists(In("Lang")));

  Recorder second;
  second.answers[2] = notification::cancel;  // begin one.txt
  second.reasons[2] = std::error_code(5, std::system_category());
  const std::string compressed = test::Bzip2(test::ArchiveBytes(kTwoFiles));
  PayloadArchive again(ArchiveBytes{compressed.data(), compressed.size()});
  EXPECT_FALSE(again.extract(Folders(), std::ref(second), [](int) { return std::wstring(L"/nonexistent-system"); }));
  EXPECT_EQ(second.failure, std::error_code(5, std::system_category()));
  EXPECT_FALSE(boost::filesystem::exists(In("Lang/one.txt")));
}

TEST_F(PayloadArchiveTest, CancelAtProgressLeavesThePartFileAndNamesIt) {
  const std::vector<TestFile> files = {{u"big.bin", u"<InstallPath>", std::string(10000, 'z'), 0}};
  recorder_.answers[3] = notification::cancel;  // first data block
  EXPECT_FALSE(Extract(test::Bzip2(test::ArchiveBytes(files))));
  EXPECT_EQ(recorder_.failure, compress_errc::interrupted);
  EXPECT_EQ(recorder_.failureText, PathText(In("big.bin")));
  EXPECT_TRUE(boost::filesystem::exists(In("big.bin")));
  const std::uint64_t offset = test::ArchiveBytes(files).size() - 10000;
  EXPECT_EQ(recorder_.lines[3], "progress " + std::to_string(offset + boost::filesystem::file_size(In("big.bin"))) +
                                    "/" + std::to_string(offset + 10000))
      << "the file holds what the cancelled progress reported";
}

TEST_F(PayloadArchiveTest, ChecksumMismatchKeepsTheFile) {
  std::string bytes = test::ArchiveBytes(kTwoFiles);
  bytes[bytes.size() - 5] ^= 1;  // last byte of one.txt
  EXPECT_FALSE(Extract(test::Bzip2(bytes)));
  EXPECT_EQ(recorder_.failure, compress_errc::invalid_checksum);
  EXPECT_EQ(recorder_.failureText, PathText(In("Lang/one.txt")));
  EXPECT_TRUE(boost::filesystem::exists(In("Lang/one.txt")));
}

TEST_F(PayloadArchiveTest, ReplacesReadOnlyFileAndCreatesParents) {
  boost::filesystem::create_directories(In("Lang"));
  test::WriteFile(In("Lang/one.txt"), "old content, longer than the new");
  ::chmod(In("Lang/one.txt").c_str(), 0444);
  ASSERT_TRUE(Extract(test::Bzip2(test::ArchiveBytes(kTwoFiles))));
  EXPECT_EQ(test::ReadFile(In("Lang/one.txt")), "first file");
  EXPECT_TRUE(boost::filesystem::is_directory(In("tmp")));
}

struct BrokenArchive {
  const char* what;
  std::function<std::string(const std::string& bytes)> make;  // from the decompressed archive
  std::error_code code;
};

TEST_F(PayloadArchiveTest, BrokenArchivesFailWithTheirCodes) {
  const std::string bytes = test::ArchiveBytes(kTwoFiles);
  const std::string compressed = test::Bzip2(bytes);
  const std::vector<BrokenArchive> cases = {
      {"empty decompressed stream", [](const std::string&) { return test::Bzip2(""); },
       compress_errc::unexpected_error},
      {"data shorter than promised", [](const std::string& b) { return test::Bzip2(b.substr(0, b.size() - 2)); },
       compress_errc::unexpected_error},
      {"data after the last file", [](const std::string& b) { return test::Bzip2(b + "x"); },
       compress_errc::unexpected_error},
      {"truncated compressed stream", [&](const std::string&) { return compressed.substr(0, compressed.size() - 10); },
       compress_errc::bzip2_error},
      {"trailing garbage", [&](const std::string&) { return compressed + "garbage"; }, compress_errc::bzip2_error},
      {"corrupt compressed block", [&](const std::string&) { std::string c = compressed; c[c.size() / 2] ^= 0x55; return c; },
       compress_errc::bzip2_error},
      {"not bzip2 at all", [](const std::string& b) { return b; }, compress_errc::bzip2_error},
      {"no bytes", [](const std::string&) { return std::string(); }, compress_errc::bzip2_error},
  };
  for (const BrokenArchive& broken : cases) {
    recorder_ = Recorder();
    const std::string input = broken.make(bytes);
    EXPECT_FALSE(Extract(input)) << broken.what;
    EXPECT_EQ(recorder_.failure, broken.code) << broken.what;
    EXPECT_EQ(std::count_if(recorder_.lines.begin(), recorder_.lines.end(),
                            [](const std::string& l) { return l.rfind("failure", 0) == 0; }), 1) << broken.what;
    EXPECT_EQ(recorder_.lines.back().rfind("failure", 0), 0u) << broken.what;
    PayloadArchive archive(ArchiveBytes{input.data(), input.size()});
    if (broken.code == compress_errc::bzip2_error) {
      EXPECT_FALSE(archive.test()) << broken.what;
    }
  }
}

TEST_F(PayloadArchiveTest, TestAcceptsSoundStreamsOnly) {
  const std::string compressed = test::Bzip2(test::ArchiveBytes(kTwoFiles));
  PayloadArchive sound(ArchiveBytes{compressed.data(), compressed.size()});
  EXPECT_TRUE(sound.test());
  sound.rewind();
  EXPECT_TRUE(sound.test()) << "rewind starts over";
  PayloadArchive absent(ArchiveBytes{});
  EXPECT_FALSE(absent.test());
}

TEST_F(PayloadArchiveTest, DirectoryIsReadAloneAndTheArchiveStartsOverAfterIt) {
  // Enough data after the header that the directory comes from the first
  // decoded blocks only.
  std::vector<TestFile> files = kTwoFiles;
  files.push_back({u"big.bin", u"<CommonData>\\Quillon Works", std::string(300000, 'x'), 3});
  const std::string compressed = test::Bzip2(test::ArchiveBytes(files));
  PayloadArchive archive(ArchiveBytes{compressed.data(), compressed.size()});
  const std::vector<DirectoryRecord> records = archive.directory();
  const std::vector<DirectoryRecord> expected = test::Records(files);
  ASSERT_EQ(records.size(), expected.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i].destination, expected[i].destination);
    EXPECT_EQ(records[i].kind, expected[i].kind);
    EXPECT_EQ(records[i].size, expected[i].size);
  }
  EXPECT_TRUE(boost::filesystem::is_empty(scratch_.path())) << "nothing is written";
  EXPECT_TRUE(archive.test()) << "the input is back at its start";

  for (const std::string& broken : {test::Bzip2(""), std::string("not bzip2"), std::string()}) {
    PayloadArchive bad(ArchiveBytes{broken.data(), broken.size()});
    EXPECT_THROW(bad.directory(), std::exception);
    // The form for callers outside the reader says the same as a code.
    std::error_code error;
    EXPECT_TRUE(bad.directory(error).empty());
    EXPECT_TRUE(error) << broken.size();
  }
  PayloadArchive again(ArchiveBytes{compressed.data(), compressed.size()});
  std::error_code error = make_error_code(compress_errc::interrupted);
  EXPECT_EQ(again.directory(error).size(), expected.size());
  EXPECT_FALSE(error) << "cleared on success";
}

TEST_F(PayloadArchiveTest, UnsafeSourceNamesAreRejectedBeforeAnyFileIsWritten) {
  for (const char16_t* source : {u"..", u"C:\\out\\..", u"C:", u"", u"dir\\"}) {
    recorder_ = Recorder();
    const std::vector<TestFile> files = {{u"good.txt", u"<InstallPath>", "g", 0}, {source, u"<InstallPath>", "b", 0}};
    EXPECT_FALSE(Extract(test::Bzip2(test::ArchiveBytes(files))));
    EXPECT_EQ(recorder_.failure, compress_errc::unexpected_error);
    EXPECT_FALSE(boost::filesystem::exists(In("good.txt")));
    EXPECT_EQ(recorder_.lines, (std::vector<std::string>{"started", "failure 7"}));
  }
}

TEST_F(PayloadArchiveTest, DestinationWithANulIsRejectedBeforeAnyFileIsWritten) {
  // Cut at the NUL, the second entry would land on the first as App\one.txt.
  const std::u16string cut = u"<InstallPath>\\App\\one.txt" + std::u16string(1, u'\0') + u"x";
  const std::vector<TestFile> files = {{u"one.txt", u"<InstallPath>\\App", "first", 0}, {u"two.txt", cut, "second", 0}};
  EXPECT_FALSE(Extract(test::Bzip2(test::ArchiveBytes(files))));
  EXPECT_EQ(recorder_.failure, compress_errc::unexpected_error);
  EXPECT_FALSE(boost::filesystem::exists(In("App")));
  EXPECT_EQ(recorder_.lines, (std::vector<std::string>{"started", "failure 7"}));
}

TEST_F(PayloadArchiveTest, UnknownSystemFolderFailsBeforeAnyFile) {
  const std::vector<TestFile> files = {{u"a.txt", u"<InstallPath>", "a", 0}, {u"b.txt", u"<WinDir>", "b", 0}};
  PlaceholderFolders folders = Folders();
  const std::string compressed = test::Bzip2(test::ArchiveBytes(files));
  PayloadArchive archive(ArchiveBytes{compressed.data(), compressed.size()});
  EXPECT_FALSE(archive.extract(folders, std::ref(recorder_), [](int) { return std::wstring(); }));
  EXPECT_EQ(recorder_.failure, compress_errc::unexpected_error);
  EXPECT_FALSE(boost::filesystem::exists(In("a.txt")));
}

TEST_F(PayloadArchiveTest, UnwritableDestinationReportsTheSystemError) {
  test::WriteFile(In("Lang"), "a file where a folder should be");
  EXPECT_FALSE(Extract(test::Bzip2(test::ArchiveBytes(kTwoFiles))));
  EXPECT_EQ(recorder_.failure.category(), std::system_category());
  EXPECT_EQ(recorder_.failure.value(), ENOTDIR);
  EXPECT_EQ(recorder_.failureText, PathText(In("Lang/one.txt")));
}

}  // namespace
}  // namespace qw
