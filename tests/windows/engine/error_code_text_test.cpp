// The error code texts of a failed installation, and the progress
// percentage of the extraction.
#include <gtest/gtest.h>

#include "engine/error_code_text.h"
#include "engine/extraction_handler.h"
#include "engine/install_error.h"
#include "payload/compress_error.h"

namespace qw {
namespace {

TEST(ErrorCodeText, EachCategoryHasItsForm) {
  EXPECT_EQ(ErrorCodeText(std::error_code(5, std::system_category())), L"1:00000005");
  EXPECT_EQ(ErrorCodeText(std::error_code(112, std::system_category())), L"1:00000070");
  EXPECT_EQ(ErrorCodeText(std::error_code(28, std::generic_category())), L"2:0000001C");
  EXPECT_EQ(ErrorCodeText(make_error_code(compress_errc::invalid_checksum)), L"3");
  EXPECT_EQ(ErrorCodeText(make_error_code(compress_errc::archive_test_failed)), L"4");
  EXPECT_EQ(ErrorCodeText(install_errc::user_controlled_folder), L"8") << "a code of its own";
  EXPECT_EQ(ErrorCodeText(std::make_error_code(std::io_errc::stream)), L"7");
}

TEST(ErrorCodeText, NegativeSystemCodesShowAllEightDigits) {
  EXPECT_EQ(ErrorCodeText(std::error_code(static_cast<int>(0x80070005u), std::system_category())),
            L"1:80070005");
}

TEST(ExtractionProgress, RoundsAndKeeps100ForTheEnd) {
  EXPECT_EQ(ExtractionHandler::Percent(0, 1000), 0);
  EXPECT_EQ(ExtractionHandler::Percent(5, 1000), 1);    // 0.5 rounds up
  EXPECT_EQ(ExtractionHandler::Percent(4, 1000), 0);
  EXPECT_EQ(ExtractionHandler::Percent(999, 1000), 99);  // 99.9 would read 100
  EXPECT_EQ(ExtractionHandler::Percent(1000, 1000), 100);
  EXPECT_EQ(ExtractionHandler::Percent(0, 0), 100);
}

}  // namespace
}  // namespace qw
