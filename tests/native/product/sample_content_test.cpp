// The sample product's data files: the same name always gives the same
// bytes, each kind looks like what its name says, and a name of no known
// kind is refused rather than filled with something.

#include "product/data/sample_content.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace qw::sample {
namespace {

std::string Content(const std::string& name) {
  std::string content;
  EXPECT_TRUE(MakeSampleContent(name, content)) << name;
  return content;
}

std::uint32_t U32At(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  return v;
}

TEST(SampleContent, TheSameNameGivesTheSameBytes) {
  for (const char* name : {"Furniture.mr-lib", "Woods.mat-quillon", "Garden.mr-proj", "Staircase.mr-cab",
                           "UserImages.bmp", "Oak.jpg"}) {
    const std::string first = Content(name);
    EXPECT_FALSE(first.empty()) << name;
    EXPECT_EQ(first, Content(name)) << name;
  }
  EXPECT_NE(Content("Oak.jpg"), Content("Walnut.jpg"));
  EXPECT_NE(Content("Doors.mr-lib"), Content("Stairs.mr-lib"));
}

TEST(SampleContent, NamesOfNoKnownKindAreRefused) {
  std::string content = "untouched";
  EXPECT_FALSE(MakeSampleContent("Readme.txt", content));
  EXPECT_FALSE(MakeSampleContent("Meridel.exe", content));
  EXPECT_FALSE(MakeSampleContent("jpg", content));
  // Libraries and cabinets are built, not written as data.
  EXPECT_FALSE(MakeSampleContent("Meridel.fr.dll", content));
  EXPECT_FALSE(MakeSampleContent("DSETUP.dll", content));
  EXPECT_FALSE(MakeSampleContent("dxupdate.cab", content));
  EXPECT_EQ(content, "untouched");
}

TEST(SampleContent, TexturesAreBaselineJfifFiles) {
  const std::string jpeg = Content("Slate.jpg");
  ASSERT_GT(jpeg.size(), 64 * 1024u);
  EXPECT_EQ(jpeg.compare(0, 4, "\xFF\xD8\xFF\xE0"), 0);
  EXPECT_EQ(jpeg.compare(6, 5, std::string("JFIF\0", 5)), 0);
  EXPECT_EQ(jpeg.compare(jpeg.size() - 2, 2, "\xFF\xD9"), 0);
  // Every marker segment up to the scan has the length it states.
  std::size_t at = 2;
  std::string markers;
  while (at + 4 <= jpeg.size() && static_cast<unsigned char>(jpeg[at]) == 0xFF) {
    const unsigned char code = static_cast<unsigned char>(jpeg[at + 1]);
    markers += static_cast<char>(code);
    const std::size_t length = static_cast<unsigned char>(jpeg[at + 2]) << 8 | static_cast<unsigned char>(jpeg[at + 3]);
    at += 2 + length;
    if (code == 0xDA) break;
  }
  EXPECT_EQ(markers, "\xE0\xDB\xC0\xC4\xDA");
  // In the scan, a 0xFF byte is always stuffed (followed by 0) until EOI.
  for (std::size_t i = at; i + 2 < jpeg.size(); ++i) {
    if (static_cast<unsigned char>(jpeg[i]) == 0xFF) {
      ASSERT_EQ(jpeg[i + 1], '\0') << "at " << i;
      ++i;
    }
  }
}

TEST(SampleContent, BitmapsStateTheirOwnSize) {
  const std::string bmp = Content("UserImages.bmp");
  ASSERT_GT(bmp.size(), 54u);
  EXPECT_EQ(bmp.compare(0, 2, "BM"), 0);
  EXPECT_EQ(U32At(bmp, 2), bmp.size());
  EXPECT_EQ(U32At(bmp, 18), 320u);
  EXPECT_EQ(U32At(bmp, 22), 240u);
  EXPECT_EQ(U32At(bmp, 34), bmp.size() - 54);
}

TEST(SampleContent, LibrariesAndProjectsCarryTheirHeaders) {
  EXPECT_EQ(Content("Doors.mr-lib").compare(0, 6, "MRLIB\x1A"), 0);
  EXPECT_EQ(Content("Bookshelf.mr-cab").compare(0, 6, "MRCAB\x1A"), 0);
  EXPECT_EQ(Content("Garden.mr-proj").compare(0, 5, "<?xml"), 0);
  EXPECT_NE(Content("Metals.mat-quillon").find("<materials family=\"Metals\""), std::string::npos);
}

}  // namespace
}  // namespace qw::sample
