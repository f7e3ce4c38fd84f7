// Gathering the archive header from the decompressed stream in pieces.
#include "payload/archive_header_buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <system_error>

#include "payload/compress_error.h"

namespace qw {
namespace {

const std::vector<DirectoryRecord> kRecords = {{u"C:\\src\\a.txt", u"<InstallPath>", 0, 3, 7},
                                               {u"b.dll", u"<InstallPath>\\Lib", 1, 5, 9}};

TEST(ArchiveHeaderBuffer, TakesOneByteAtATimeAndStopsAtTheData) {
  const std::string header = EncodeHeader(kRecords);
  const std::string stream = header + "file data";
  ArchiveHeaderBuffer buffer;
  std::size_t taken = 0;
  for (std::size_t i = 0; i < stream.size(); ++i) {
    taken += buffer.Take(stream.data() + i, 1);
    EXPECT_EQ(buffer.DataOffsetRead(), i + 1 >= 8) << i;
  }
  EXPECT_EQ(taken, header.size());
  ASSERT_TRUE(buffer.Complete());
  EXPECT_EQ(buffer.DataOffset(), header.size());
  const std::vector<DirectoryRecord> records = buffer.TakeRecords();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].source, u"b.dll");
  EXPECT_EQ(records[1].crc, 9u);
}

TEST(ArchiveHeaderBuffer, OneChunkWithDataTakesOnlyTheHeader) {
  const std::string header = EncodeHeader(kRecords);
  const std::string stream = header + "file data";
  ArchiveHeaderBuffer buffer;
  // The offset first, then the rest in one piece that runs into the data.
  EXPECT_EQ(buffer.Take(stream.data(), stream.size()), 8u);
  EXPECT_EQ(buffer.Take(stream.data() + 8, stream.size() - 8), header.size() - 8);
  EXPECT_TRUE(buffer.Complete());
  EXPECT_EQ(buffer.Take(stream.data() + header.size(), 4), 0u);
}

TEST(ArchiveHeaderBuffer, ImplausibleDataOffsetIsAnUnexpectedError) {
  for (std::uint64_t offset : {std::uint64_t{11}, kMaximumDataOffset + 1}) {
    std::string bytes(8, '\0');
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>(offset >> (8 * i));
    ArchiveHeaderBuffer buffer;
    try {
      buffer.Take(bytes.data(), bytes.size());
      ADD_FAILURE() << "offset " << offset << " was taken";
    } catch (const std::system_error& error) {
      EXPECT_EQ(error.code(), make_error_code(compress_errc::unexpected_error));
    }
    EXPECT_TRUE(buffer.DataOffsetRead());
    EXPECT_EQ(buffer.DataOffset(), offset);
    EXPECT_FALSE(buffer.Complete());
  }
}

}  // namespace
}  // namespace qw
