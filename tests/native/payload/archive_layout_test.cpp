// The archive's byte layout pinned by bytes written out by hand from the
// format: the reader must decode them, and the packer must produce exactly
// them for the manifest that describes them. Neither check goes through the
// project's header encoder, so a writer and a reader that agree with each
// other but not with the format cannot both pass.

#include <bzlib.h>

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "payload/compress_error.h"
#include "payload/payload_archive.h"
#include "payload/payload_format.h"
#include "payload/wide_path.h"
#include "test_archive.h"
#include "tools/payload_packer/archive_packing.h"
#include "tools/payload_packer/payload_manifest.h"

namespace qw {
namespace {

// Bytes from hexadecimal pairs; anything else (spaces, line breaks) is
// ignored.
std::string Hex(const std::string& text) {
  std::string bytes;
  int high = -1;
  for (char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) continue;
    const int nibble = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10;
    if (high < 0) {
      high = nibble;
    } else {
      bytes += static_cast<char>(high << 4 | nibble);
      high = -1;
    }
  }
  return bytes;
}

// Two files: "hello" as x/Café.txt to <InstallPath> (kind 3) and
// "123456789" as 日本.bin to <Temporary> (kind 5).
const std::string kHeader = Hex(
    "8c 00 00 00 00 00 00 00"  // data offset 140
    "02 00 00 00"              // two entries
    // entry 0
    "0a 00 00 00"                                                  // source: 10 code units
    "78 00 2f 00 43 00 61 00 66 00 e9 00 2e 00 74 00 78 00 74 00"  // "x/Café.txt"
    "0d 00 00 00"                                                  // destination: 13 code units
    "3c 00 49 00 6e 00 73 00 74 00 61 00 6c 00 6c 00 50 00 61 00 74 00 68 00 3e 00"  // "<InstallPath>"
    "03 00 00 00"               // kind 3
    "05 00 00 00 00 00 00 00"   // size 5
    "86 a6 10 36"               // CRC-32 of "hello", 0x3610A686
    // entry 1
    "06 00 00 00"               // source: 6 code units
    "e5 65 2c 67 2e 00 62 00 69 00 6e 00"  // "日本.bin"
    "0b 00 00 00"               // destination: 11 code units
    "3c 00 54 00 65 00 6d 00 70 00 6f 00 72 00 61 00 72 00 79 00 3e 00"  // "<Temporary>"
    "05 00 00 00"               // kind 5
    "09 00 00 00 00 00 00 00"   // size 9
    "26 39 f4 cb");             // CRC-32 of "123456789", 0xCBF43926 (the check value)
const std::string kArchive = kHeader + "hello" + "123456789";

constexpr std::uint64_t kDataOffset = 140;

// The whole bzip2 stream `compressed` decoded by libbz2 itself.
std::string Bunzip2(const std::string& compressed, std::size_t expectedSize) {
  std::string out(expectedSize + 1, '\0');
  unsigned int length = static_cast<unsigned int>(out.size());
  const int result = BZ2_bzBuffToBuffDecompress(&out[0], &length, const_cast<char*>(compressed.data()),
                                                static_cast<unsigned int>(compressed.size()), 0, 0);
  if (result != BZ_OK) throw std::runtime_error("libbz2 refused the stream: " + std::to_string(result));
  out.resize(length);
  return out;
}

// Little-endian fields of a decompressed archive, read as the format
// defines them.
class LayoutReader {
 public:
  explicit LayoutReader(const std::string& bytes) : bytes_(bytes) {}
  std::uint64_t Unsigned(int width) {
    if (at_ + width > bytes_.size()) throw std::runtime_error("past the end");
    std::uint64_t value = 0;
    for (int i = 0; i < width; ++i) value |= std::uint64_t{static_cast<unsigned char>(bytes_[at_ + i])} << (8 * i);
    at_ += width;
    return value;
  }
  std::u16string Text() {
    const std::uint64_t units = Unsigned(4);
    std::u16string text;
    for (std::uint64_t i = 0; i < units; ++i) text += static_cast<char16_t>(Unsigned(2));
    return text;
  }
  std::string Bytes(std::uint64_t size) {
    if (at_ + size > bytes_.size()) throw std::runtime_error("past the end");
    const std::string part = bytes_.substr(at_, size);
    at_ += size;
    return part;
  }
  std::size_t at() const { return at_; }

 private:
  const std::string& bytes_;
  std::size_t at_ = 0;
};

TEST(ArchiveLayout, TheCheckValuesAreRight) {
  // The CRCs written above, checked by a computation of their own.
  EXPECT_EQ(test::BitwiseCrc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(test::BitwiseCrc32("hello"), 0x3610A686u);
  EXPECT_EQ(kHeader.size(), kDataOffset);
}

TEST(ArchiveLayout, ReaderDecodesTheHandWrittenHeader) {
  ASSERT_EQ(ReadDataOffset(kHeader.data()), kDataOffset);
  const std::vector<DirectoryRecord> records = DecodeHeader(kHeader.data(), kHeader.size());
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].source, u"x/Caf\u00e9.txt");
  EXPECT_EQ(records[0].destination, u"<InstallPath>");
  EXPECT_EQ(records[0].kind, 3u);
  EXPECT_EQ(records[0].size, 5u);
  EXPECT_EQ(records[0].crc, 0x3610A686u);
  EXPECT_EQ(records[1].source, u"\u65e5\u672c.bin");
  EXPECT_EQ(records[1].destination, u"<Temporary>");
  EXPECT_EQ(records[1].kind, 5u);
  EXPECT_EQ(records[1].size, 9u);
  EXPECT_EQ(records[1].crc, 0xCBF43926u);
}

// What extracting `archive` reports and leaves in `scratch`.
struct Extraction {
  bool ok = false;
  std::vector<std::uint32_t> kinds;  // of each file_begin
  std::vector<std::uint64_t> progress;
  std::error_code failure;
};

Extraction Extract(const std::string& archive, const test::ScratchFolder& scratch) {
  const std::string compressed = test::Bzip2(archive);
  PayloadArchive reader(ArchiveBytes{compressed.data(), compressed.size()});
  Extraction result;
  result.ok = reader.extract({scratch.wide(), L"", scratch.wide() + L"/temp"}, [&](notification& n) {
    if (auto* begin = std::get_if<notification::file_begin>(&n.value)) result.kinds.push_back(begin->entry.kind);
    if (auto* p = std::get_if<notification::progress>(&n.value)) result.progress.push_back(p->done);
    if (auto* f = std::get_if<notification::failure>(&n.value)) result.failure = f->code;
    return notification::proceed;
  });
  return result;
}

TEST(ArchiveLayout, ReaderExtractsTheHandWrittenArchive) {
  test::ScratchFolder scratch;
  const Extraction extraction = Extract(kArchive, scratch);
  ASSERT_TRUE(extraction.ok) << extraction.failure.message();
  EXPECT_EQ(extraction.kinds, (std::vector<std::uint32_t>{3, 5}));
  EXPECT_EQ(extraction.progress, (std::vector<std::uint64_t>{140, 145, 154}));
  const std::string first = test::ReadFile(scratch.path() / "Caf\xC3\xA9.txt");
  const std::string second = test::ReadFile(scratch.path() / "temp" / "\xE6\x97\xA5\xE6\x9C\xAC.bin");
  EXPECT_EQ(first, "hello");
  EXPECT_EQ(second, "123456789");
  EXPECT_EQ(test::BitwiseCrc32(first), 0x3610A686u);
  EXPECT_EQ(test::BitwiseCrc32(second), 0xCBF43926u);
}

TEST(ArchiveLayout, ReaderChecksTheCrcFieldWhereTheFormatPutsIt) {
  // One bit off in the second entry's CRC field (its last header byte).
  std::string archive = kArchive;
  archive[kDataOffset - 1] ^= 0x01;
  test::ScratchFolder scratch;
  const Extraction extraction = Extract(archive, scratch);
  EXPECT_FALSE(extraction.ok);
  EXPECT_EQ(extraction.failure, compress_errc::invalid_checksum);
  EXPECT_EQ(extraction.kinds, (std::vector<std::uint32_t>{3, 5}));
}

// The manifest that describes kArchive, with its files, in `scratch`.
std::string WriteFixedManifest(const test::ScratchFolder& scratch) {
  boost::filesystem::create_directories(scratch.path() / "x");
  test::WriteFile(scratch.path() / "x" / "Caf\xC3\xA9.txt", "hello");
  test::WriteFile(scratch.path() / "\xE6\x97\xA5\xE6\x9C\xAC.bin", "123456789");
  const std::string manifest = (scratch.path() / "fixed.manifest").string();
  std::ofstream(manifest, std::ios::binary) << "3 | <InstallPath> | x/Caf\xC3\xA9.txt\n"
                                               "5 | <Temporary> | \xE6\x97\xA5\xE6\x9C\xAC.bin\n";
  return manifest;
}

TEST(ArchiveLayout, PackerWritesExactlyTheHandWrittenBytes) {
  test::ScratchFolder scratch;
  const std::string output = (scratch.path() / "fixed.bz2").string();
  PackManifest(ReadManifest(WriteFixedManifest(scratch)), output);
  const std::string compressed = test::ReadFile(output);
  ASSERT_EQ(compressed.substr(0, 4), "BZh9");
  const std::string archive = Bunzip2(compressed, kArchive.size());

  // Field by field first, so that a difference is named.
  LayoutReader reader(archive);
  EXPECT_EQ(reader.Unsigned(8), kDataOffset);
  ASSERT_EQ(reader.Unsigned(4), 2u);
  const std::u16string sources[] = {u"x/Caf\u00e9.txt", u"\u65e5\u672c.bin"};
  const std::u16string destinations[] = {u"<InstallPath>", u"<Temporary>"};
  const std::uint64_t kinds[] = {3, 5}, sizes[] = {5, 9};
  std::uint64_t crcs[2] = {};
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(reader.Text(), sources[i]) << i;
    EXPECT_EQ(reader.Text(), destinations[i]) << i;
    EXPECT_EQ(reader.Unsigned(4), kinds[i]) << i;
    EXPECT_EQ(reader.Unsigned(8), sizes[i]) << i;
    crcs[i] = reader.Unsigned(4);
  }
  EXPECT_EQ(reader.at(), kDataOffset);
  const std::string first = reader.Bytes(5), second = reader.Bytes(9);
  EXPECT_EQ(first, "hello");
  EXPECT_EQ(second, "123456789");
  EXPECT_EQ(crcs[0], test::BitwiseCrc32(first));
  EXPECT_EQ(crcs[1], test::BitwiseCrc32(second));
  EXPECT_EQ(reader.at(), archive.size()) << "nothing may follow the last file";

  // Then the whole.
  EXPECT_EQ(archive, kArchive);
}

}  // namespace
}  // namespace qw
