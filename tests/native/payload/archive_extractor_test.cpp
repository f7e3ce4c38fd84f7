// The extractor fed by hand, in blocks the decoder would never choose, to
// pin down how it assembles the header and splits blocks between files.

#include "payload/archive_extractor.h"

#include <gtest/gtest.h>

#include "payload/compress_error.h"
#include "test_archive.h"

namespace qw {
namespace {

const std::vector<test::TestFile> kFiles = {
    {u"first.txt", u"<InstallPath>", "0123456789", 0},
    {u"second.txt", u"<InstallPath>\\Sub", "abcdefghij", 0}};

// The error `write` raises, or none.
template <typename Write>
std::error_code ErrorOf(Write write) {
  try {
    write();
  } catch (const std::system_error& error) {
    return error.code();
  }
  return {};
}

class ArchiveExtractorTest : public ::testing::Test {
 protected:
  ArchiveExtractorTest()
      : callback_([this](notification& n) {
          kinds_.push_back(n.index());
          return notification::proceed;
        }),
        extractor_({scratch_.wide(), L"", L""}, callback_, [](int) { return std::wstring(L"/x"); }) {}

  // Offers `bytes` in blocks of `block` bytes, each block again until taken;
  // returns the sizes the extractor accepted.
  std::vector<std::size_t> Feed(const std::string& bytes, std::size_t block) {
    std::vector<std::size_t> accepted;
    for (std::size_t at = 0; at < bytes.size(); at += block) {
      const std::size_t size = std::min(block, bytes.size() - at);
      for (std::size_t done = 0; done < size;) {
        accepted.push_back(extractor_.Write(bytes.data() + at + done, size - done));
        done += accepted.back();
      }
    }
    return accepted;
  }

  test::ScratchFolder scratch_;
  std::vector<std::size_t> kinds_;
  PayloadCallback callback_;
  ArchiveExtractor extractor_;
};

TEST_F(ArchiveExtractorTest, HeaderArrivingByteByByteIsAssembled) {
  const std::string bytes = test::ArchiveBytes(kFiles);
  const std::vector<std::size_t> accepted = Feed(bytes, 1);
  EXPECT_TRUE(extractor_.Complete());
  EXPECT_EQ(test::ReadFile(scratch_.path() / "Sub" / "second.txt"), "abcdefghij");
  EXPECT_EQ(kinds_.front(), 4u) << "progress once the directory is read";
}

TEST_F(ArchiveExtractorTest, OffsetSplitBetweenBlocks) {
  const std::string bytes = test::ArchiveBytes(kFiles);
  EXPECT_EQ(extractor_.Write(bytes.data(), 5), 5u);
  EXPECT_EQ(extractor_.Write(bytes.data() + 5, 7), 3u) << "the offset is read on its own first";
  Feed(bytes.substr(8), 3);
  EXPECT_TRUE(extractor_.Complete());
}

TEST_F(ArchiveExtractorTest, BlockSpanningTwoFilesIsTakenUpToTheFileEnd) {
  const std::string bytes = test::ArchiveBytes(kFiles);
  const std::size_t offset = bytes.size() - 20;
  EXPECT_EQ(extractor_.Write(bytes.data(), bytes.size()), 8u);
  EXPECT_EQ(extractor_.Write(bytes.data() + 8, bytes.size() - 8), offset - 8);
  EXPECT_EQ(extractor_.Write(bytes.data() + offset, 20), 10u);
  EXPECT_EQ(extractor_.Write(bytes.data() + offset + 10, 10), 10u);
  EXPECT_TRUE(extractor_.Complete());
  EXPECT_EQ(test::ReadFile(scratch_.path() / "first.txt"), "0123456789");
  EXPECT_EQ(kinds_, (std::vector<std::size_t>{4, 2, 4, 3, 2, 4, 3}));
}

TEST_F(ArchiveExtractorTest, FailedExtractorSwallowsEverything) {
  std::string bytes = test::ArchiveBytes(kFiles) + "extra";
  EXPECT_EQ(ErrorOf([&] { Feed(bytes, bytes.size()); }), compress_errc::unexpected_error);
  EXPECT_EQ(extractor_.Write("more", 4), 4u);
}

TEST_F(ArchiveExtractorTest, ImplausibleOffsetsAreRejectedAtOnce) {
  for (std::uint64_t offset : {std::uint64_t{0}, std::uint64_t{11}, kMaximumDataOffset + 1, ~std::uint64_t{0}}) {
    ArchiveExtractor extractor({scratch_.wide(), L"", L""}, callback_, [](int) { return std::wstring(); });
    std::string header(8, '\0');
    for (int i = 0; i < 8; ++i) header[i] = static_cast<char>(offset >> (8 * i));
    EXPECT_EQ(ErrorOf([&] { extractor.Write(header.data(), 8); }), compress_errc::unexpected_error) << offset;
  }
}

}  // namespace
}  // namespace qw
