// Extraction of files far larger than any buffer on the way (the decoder's
// 4096-byte blocks, the extractor's gathered writes, the CRC read-back):
// sizes that are multiples of none of them, right at and around 64 KiB,
// and several megabytes, with file boundaries falling inside decoder
// blocks. Every file on disk is checked against its content by a CRC-32
// computed independently of the reader.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "payload/payload_archive.h"
#include "payload/wide_path.h"
#include "test_archive.h"

namespace qw {
namespace {

// `size` bytes that bzip2 compresses somewhat but not to nothing: runs of
// text between stretches of noise, so that a lost or repeated byte shows.
std::string Content(std::size_t size, std::uint32_t seed) {
  std::string bytes;
  bytes.reserve(size);
  std::uint32_t state = seed * 2654435761u + 1;
  while (bytes.size() < size) {
    state = state * 1103515245u + 12345u;
    if ((state >> 28) < 6) {
      bytes += "Meridel part library record " + std::to_string(bytes.size()) + "\n";
    } else {
      for (int i = 0; i < 97; ++i) {
        state = state * 1103515245u + 12345u;
        bytes += static_cast<char>(state >> 24);
      }
    }
  }
  bytes.resize(size);
  return bytes;
}

struct Sized {
  const char* name;
  std::size_t size;
};

// Sizes chosen against the buffers: 4096 (decoder block and CRC read),
// 65536 (gathered write), and none of them.
const std::vector<Sized> kSizes = {
    {"exactly-64k.bin", 65536},
    {"one-byte.bin", 1},
    {"over-64k.bin", 65537},
    {"under-64k.bin", 65535},
    {"empty.bin", 0},
    {"block-and-one.bin", 4097},
    {"three-megabytes.bin", 3 * 1024 * 1024 + 12345},
    {"prime.bin", 1000003},
    {"two-writes.bin", 2 * 65536},
    {"five-megabytes.bin", 5 * 1024 * 1024 - 7},
    {"last.bin", 777}};

TEST(LargeFileExtraction, EveryByteOfEveryFileArrives) {
  std::vector<test::TestFile> files;
  std::uint32_t seed = 1;
  for (const Sized& sized : kSizes) {
    const std::u16string name(sized.name, sized.name + std::char_traits<char>::length(sized.name));
    files.push_back({u"C:\\build\\" + name, u"<InstallPath>\\Data", Content(sized.size, seed++), 0});
  }
  const std::string bytes = test::ArchiveBytes(files);
  const std::string compressed = test::Bzip2(bytes);

  test::ScratchFolder scratch;
  PayloadArchive archive(ArchiveBytes{compressed.data(), compressed.size()});
  ASSERT_TRUE(archive.test());
  archive.rewind();
  std::size_t ends = 0;
  std::uint64_t lastDone = 0, total = 0;
  std::error_code failure;
  const bool extracted = archive.extract({scratch.wide(), L"", L""}, [&](notification& n) {
    if (n.index() == 3) ++ends;
    if (auto* p = std::get_if<notification::progress>(&n.value)) {
      lastDone = p->done;
      total = p->total;
    }
    if (auto* f = std::get_if<notification::failure>(&n.value)) failure = f->code;
    return notification::proceed;
  });
  ASSERT_TRUE(extracted) << failure.message();
  EXPECT_EQ(ends, files.size());
  EXPECT_EQ(lastDone, bytes.size());
  EXPECT_EQ(total, bytes.size());

  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string onDisk = test::ReadFile(scratch.path() / "Data" / kSizes[i].name);
    EXPECT_EQ(onDisk.size(), kSizes[i].size) << kSizes[i].name;
    EXPECT_EQ(test::BitwiseCrc32(onDisk), test::BitwiseCrc32(files[i].content)) << kSizes[i].name;
    EXPECT_TRUE(onDisk == files[i].content) << kSizes[i].name << " differs";
  }
}

}  // namespace
}  // namespace qw
