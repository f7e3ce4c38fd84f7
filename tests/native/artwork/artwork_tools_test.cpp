// The artwork generators run in the build: a file they cannot write
// completely must fail the build, and must not stay behind to look like a
// finished picture to the next one.

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

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
  int Run(const std::string& tool, const std::string& argument, int limit = -1, const std::string& more = "") {
    std::string command = "exec '" + tool + "' '" + argument + "' " + more + " 2> /dev/null";
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
  EXPECT_EQ(FileCount(), 2u + 5u * 18u);  // each flag: its four images and its group
}

TEST_F(ArtworkTools, TheBannerIsDrawnForEachDisplayScale) {
  // Width and height of the bitmap's header (bytes 18 and 22, little-endian).
  auto size = [&](const std::string& name) {
    const std::string head = Head(name, 26);
    auto at = [&](std::size_t i) {
      return static_cast<int>(static_cast<unsigned char>(head[i]) | static_cast<unsigned char>(head[i + 1]) << 8);
    };
    return head.size() < 26 ? std::make_pair(0, 0) : std::make_pair(at(18), at(22));
  };
  const std::pair<const char*, std::pair<int, int>> scales[] = {
      {"100", {126, 272}}, {"125", {158, 340}}, {"150", {189, 408}}, {"200", {252, 544}}};
  for (const auto& [percent, expected] : scales) {
    const std::string name = std::string("b") + percent + ".bmp";
    EXPECT_EQ(Run(QW_BANNER, (folder_ / name).string(), -1, percent), 0) << percent;
    EXPECT_EQ(size(name), expected) << percent;
  }
  // Scales it was not drawn for are refused.
  EXPECT_NE(Run(QW_BANNER, (folder_ / "b175.bmp").string(), -1, "175"), 0);
  EXPECT_EQ(FileCount(), 4u);
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
