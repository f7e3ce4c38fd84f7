#include "payload/membuf.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace qw {
namespace {

TEST(Membuf, GrowsBy256BelowHalfAKilobyteThenByHalf) {
  EXPECT_EQ(membuf::GrownCapacity(0), 256u);
  EXPECT_EQ(membuf::GrownCapacity(256), 512u);
  EXPECT_EQ(membuf::GrownCapacity(511), 767u);
  EXPECT_EQ(membuf::GrownCapacity(512), 768u);
  EXPECT_EQ(membuf::GrownCapacity(768), 1152u);
}

TEST(Membuf, IncrementHalvesUntilTheSizeFits) {
  const std::size_t max = std::numeric_limits<std::size_t>::max();
  const std::size_t nearlyFull = membuf::GrownCapacity(max - 100);
  EXPECT_GT(nearlyFull, max - 100);
  EXPECT_GT(nearlyFull, max - 50) << "the increment halves only as far as it must";
  EXPECT_EQ(membuf::GrownCapacity(max), 0u);
  EXPECT_EQ(membuf::GrownCapacity(max / 2 + 2), max / 2 + 2 + max / 4 + 1);
}

TEST(Membuf, StreamGrowsAlongTheRuleAndKeepsEveryByte) {
  memstream stream;
  std::string written;
  std::size_t expectedCapacity = 0;
  for (int i = 0; i < 3000; ++i) {
    const char c = static_cast<char>('a' + i % 26);
    stream.put(c);
    written += c;
    if (written.size() > expectedCapacity) expectedCapacity = membuf::GrownCapacity(expectedCapacity);
    ASSERT_EQ(stream.rdbuf()->capacity(), expectedCapacity) << "after " << written.size() << " bytes";
  }
  ASSERT_EQ(stream.rdbuf()->size(), written.size());
  EXPECT_EQ(std::string(stream.rdbuf()->data(), stream.rdbuf()->size()), written);
  std::string read(written.size(), '\0');
  stream.read(&read[0], static_cast<std::streamsize>(read.size()));
  EXPECT_EQ(read, written);
}

TEST(Membuf, BlockWritesAcrossGrowthAndSeeksWithinWrittenBytes) {
  memstream stream;
  const std::string block(1000, 'x');
  stream.write(block.data(), 1000);
  stream.write("tail", 4);
  ASSERT_TRUE(stream);
  EXPECT_EQ(stream.rdbuf()->size(), 1004u);

  stream.seekp(2);
  stream.write("AB", 2);
  EXPECT_EQ(stream.rdbuf()->size(), 1004u) << "overwriting keeps the length";
  stream.seekg(0);
  char head[4];
  stream.read(head, 4);
  EXPECT_EQ(std::string(head, 4), "xxAB");
  stream.seekg(1000);
  char tail[4];
  stream.read(tail, 4);
  EXPECT_EQ(std::string(tail, 4), "tail");

  stream.clear();
  stream.seekg(1005);
  EXPECT_TRUE(stream.fail()) << "positions end at the bytes written";
  stream.clear();
  stream.seekg(1004);
  EXPECT_FALSE(stream.fail());
}

TEST(Membuf, ViewReadsCallerBytesWithoutCopyingAndRefusesWrites) {
  const char bytes[] = "caller-owned";
  imemstream stream(bytes, sizeof bytes - 1);
  EXPECT_EQ(stream.rdbuf()->data(), bytes);
  EXPECT_EQ(stream.rdbuf()->size(), sizeof bytes - 1);
  std::string word;
  stream >> word;
  EXPECT_EQ(word, "caller-owned");
  EXPECT_TRUE(stream.eof());

  stream.clear();
  stream.seekg(7);
  stream >> word;
  EXPECT_EQ(word, "owned");
  EXPECT_EQ(stream.rdbuf()->sputc('x'), std::char_traits<char>::eof());
  EXPECT_EQ(std::string(bytes), "caller-owned");
}

}  // namespace
}  // namespace qw
