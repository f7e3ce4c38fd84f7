// The artwork generators run in the build: a file they cannot write
// completely must fail the build, and must not stay behind to look like a
// finished picture to the next one.

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

class ArtworkTools : public ::testing::Test {
 protected:
  ArtworkTools() {
    folder_ = boost::filesystem::temp_directory_path() /
              boost::filesystem::unique_path("qw-artwork-%%%%-%%%%-%%%%");
    boost::filesystem::create_directories(folder_);
  }
  ~ArtworkTools() override { boost::filesystem::remove_all(folder_); }

  // Exit status of `tool argument`, with writes limited to `limit` 512-byte
  // blocks when `limit` is not negative (the write then fails instead of
  // the process being stopped by SIGXFSZ).
  int Run(const std::string& tool, const std::string& argument, int limit = -1) {
    std::string command = "exec '" + tool + "' '" + argument + "' 2> /dev/null";
    if (limit >= 0) command = "trap '' XFSZ; ulimit -f " + std::to_string(limit) + "; " + command;
    return std::system(("sh -c \"" + command + "\"").c_str());
  }

  std::size_t FileCount() const {
    std::size_t count = 0;
    for (boost::filesystem::directory_iterator i(folder_), end; i != end; ++i) ++count;
    return count;
  }

  std::string Head(const std::string& name, std::size_t bytes) const {
    std::ifstream in((folder_ / name).string(), std::ios::binary);
    std::string text(bytes, '\0');
    in.read(&text[0], static_cast<std::streamsize>(bytes));
    return text.substr(0, static_cast<std::size_t>(in.gcount()));
  }

  boost::filesystem::path folder_;
};

TEST_F(ArtworkTools, WriteTheirFiles) {
  EXPECT_EQ(Run(QW_APPLICATION_ICON, (folder_ / "a.ico").string()), 0);
  EXPECT_EQ(Head("a.ico", 4), std::string("\0\0\1\0", 4));
  EXPECT_EQ(Run(QW_BANNER, (folder_ / "b.bmp").string()), 0);
  EXPECT_EQ(Head("b.bmp", 2), "BM");
  EXPECT_EQ(Run(QW_FLAG_ICONS, folder_.string()), 0);
  EXPECT_EQ(FileCount(), 2u + 2u * 18u);  // each flag: its image and its group
}

TEST_F(ArtworkTools, FailAndLeaveNothingWhenAWriteFails) {
  // Files of no byte, of less than one flag, of less than the others (a
  // flag takes some 800 bytes, the icon and the banner tens of kilobytes).
  for (int limit : {0, 1, 8}) {
    EXPECT_NE(Run(QW_APPLICATION_ICON, (folder_ / "a.ico").string(), limit), 0) << limit;
    EXPECT_NE(Run(QW_BANNER, (folder_ / "b.bmp").string(), limit), 0) << limit;
    if (limit < 8) {
      EXPECT_NE(Run(QW_FLAG_ICONS, folder_.string(), limit), 0) << limit;
    }
    EXPECT_EQ(FileCount(), 0u) << limit;
  }
}

}  // namespace
