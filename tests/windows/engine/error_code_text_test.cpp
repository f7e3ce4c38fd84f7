// The error code texts of a failed installation, and the progress
// percentage of the extraction.
#include <gtest/gtest.h>

#include "engine/error_code_text.h"
#include "engine/extraction_handler.h"
#include "engine/install_error.h"
#include "engine/product_path.h"
#include "i18n/language_state.h"
#include "installer_strings.h"
#include "payload/compress_error.h"
#include "payload/temporary_folder.h"

namespace qw {
namespace {

TEST(ErrorCodeText, EachCategoryHasItsForm) {
  EXPECT_EQ(ErrorCodeText(std::error_code(5, std::system_category())), L"1:00000005");
  EXPECT_EQ(ErrorCodeText(std::error_code(112, std::system_category())), L"1:00000070");
  EXPECT_EQ(ErrorCodeText(std::error_code(28, std::generic_category())), L"2:0000001C");
  EXPECT_EQ(ErrorCodeText(make_error_code(compress_errc::invalid_checksum)), L"3");
  EXPECT_EQ(ErrorCodeText(make_error_code(compress_errc::archive_test_failed)), L"4");
  EXPECT_EQ(ErrorCodeText(install_errc::user_controlled_folder), L"8") << "a code of its own";
  EXPECT_EQ(ErrorCodeText({5, product_path_category()}), L"-1") << "whatever the system said";
  EXPECT_EQ(ErrorCodeText({ERROR_FILE_NOT_FOUND, product_path_category()}), L"-1");
  EXPECT_EQ(ErrorCodeText({3, temporary_folder_category(TemporaryFolderCall::QueryTempPath)}),
            L"00000003 (GetTempPath)");
  EXPECT_EQ(ErrorCodeText({0xCE, temporary_folder_category(TemporaryFolderCall::AppendName)}),
            L"000000ce (PathAppend)");
  const std::error_code randomSource(static_cast<int>(0x80090020u),
                                     temporary_folder_category(TemporaryFolderCall::GenerateName));
  EXPECT_EQ(ErrorCodeText(randomSource), L"80090020 (random_generator)");
  EXPECT_EQ(ErrorCodeText(std::make_error_code(std::io_errc::stream)), L"7");
}

TEST(ErrorCodeText, NegativeSystemCodesShowAllEightDigits) {
  EXPECT_EQ(ErrorCodeText(std::error_code(static_cast<int>(0x80070005u), std::system_category())),
            L"1:80070005");
}

using ErrorCodeTextInStatusLine = InstallerStrings;

TEST_F(ErrorCodeTextInStatusLine, OfAFailedRun) {
  SetLanguage(kEnglish);
  EXPECT_EQ(InstallationFailedText({5, product_path_category()}), L"Installation failed (Error Code -1).");
  EXPECT_EQ(InstallationFailedText(std::error_code(ERROR_BAD_PATHNAME, std::system_category())),
            L"Installation failed (Error Code 1:000000A1).");
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
