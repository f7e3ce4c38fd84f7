// The Windows build of the dependencies works together: bzip2 through
// Boost.Iostreams, Boost.CRC, Boost.UUID and Boost.Filesystem with wide
// non-ASCII paths.

#include <boost/crc.hpp>
#include <boost/filesystem.hpp>
#include <boost/iostreams/copy.hpp>
#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/iostreams/filtering_stream.hpp>
#include <boost/uuid/random_generator.hpp>
#include <boost/uuid/uuid_io.hpp>
#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace io = boost::iostreams;

TEST(Dependencies, Bzip2RoundTripAndCrc32) {
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "Meridel " + std::to_string(i) + "\n";

  std::stringstream compressed;
  {
    io::filtering_ostream out;
    out.push(io::bzip2_compressor());
    out.push(compressed);
    out << text;
  }
  EXPECT_EQ(compressed.str().substr(0, 4), "BZh9");

  io::filtering_istream in;
  in.push(io::bzip2_decompressor());
  in.push(compressed);
  std::ostringstream decompressed;
  io::copy(in, decompressed);
  ASSERT_EQ(decompressed.str(), text);

  boost::crc_32_type crc;
  crc.process_bytes("123456789", 9);
  EXPECT_EQ(crc.checksum(), 0xCBF43926u);  // the standard check value
}

TEST(Dependencies, RandomUuidsDiffer) {
  boost::uuids::random_generator generate;
  const boost::uuids::uuid a = generate(), b = generate();
  EXPECT_NE(a, b);
  EXPECT_EQ(boost::uuids::to_string(a).size(), 36u);
  EXPECT_EQ(a.version(), boost::uuids::uuid::version_random_number_based);
}

TEST(Dependencies, FilesystemWithNonAsciiWidePath) {
  namespace fs = boost::filesystem;
  const fs::path folder = fs::temp_directory_path() / L"Éléphant ÄÖÜ \u05e9\u05dc\u05d5\u05dd \u4e2d\u6587";
  fs::remove_all(folder);
  ASSERT_TRUE(fs::create_directories(folder / L"Ŝub"));
  EXPECT_TRUE(fs::is_directory(folder / L"Ŝub"));
  EXPECT_EQ(fs::remove_all(folder), 2u);
  EXPECT_FALSE(fs::exists(folder));
}
