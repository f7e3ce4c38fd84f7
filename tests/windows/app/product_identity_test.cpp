#include "app/product_identity.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace qw {
namespace {

TEST(ProductKeyTable, KnownProducts) {
  EXPECT_EQ(ProductKeyFor(774), L"Meridel 6");
  EXPECT_EQ(ProductKeyFor(775), L"Meridel 7");
  EXPECT_EQ(ProductKeyFor(258), L"Varnel 2");
  EXPECT_EQ(ProductKeyFor(1), L"Varnel 3");
  EXPECT_EQ(ProductKeyFor(259), L"Varnel 3");
  EXPECT_EQ(ProductKeyFor(516), L"Varnel 3");
  EXPECT_EQ(ProductKeyFor(517), L"Pellam 5");
  EXPECT_EQ(ProductKeyFor(518), L"Pellam 6");
  EXPECT_EQ(ProductKeyFor(1030), L"Orvent 6");
  EXPECT_EQ(ProductKeyFor(776), L"Orvent 7");
  EXPECT_EQ(ProductKeyFor(1031), L"Orvent 7");
  EXPECT_EQ(ProductKeyFor(1282), L"Orvent 7");
  EXPECT_EQ(ProductKeyFor(1284), L"Dastry 4");
  EXPECT_EQ(ProductKeyFor(1285), L"Ebrun");
  EXPECT_EQ(ProductKeyFor(0xFFFFFFFFu), L"Ebrun");
}

TEST(ProductKeyTable, GapsRaiseLogicError) {
  for (std::uint32_t id : {0u, 519u, 600u, 773u, 1283u}) {
    try {
      ProductKeyFor(id);
      ADD_FAILURE() << "no error for " << id;
    } catch (const std::logic_error& e) {
      EXPECT_STREQ(e.what(), "logic error");
    }
  }
}

TEST(ProductIdentity, ReleaseVersionOrdersAsOneNumber) {
  EXPECT_EQ(ProductIdentity::kReleaseFileVersion, 0x0006000700030001ULL);
  EXPECT_STREQ(ProductIdentity::kDisplayName, L"Meridel 6.07c");
}

}  // namespace
}  // namespace qw
