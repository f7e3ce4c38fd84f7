#include "payload/payload_format.h"

#include <gtest/gtest.h>

#include <system_error>

#include "payload/compress_error.h"

namespace qw {
namespace {

std::error_code DecodeError(const std::string& header) {
  try {
    DecodeHeader(header.data(), header.size());
  } catch (const std::system_error& error) {
    return error.code();
  }
  return {};
}

TEST(PayloadFormat, HeaderRoundTripsWithLittleEndianFields) {
  const std::vector<DirectoryRecord> records = {
      {u"C:\\build\\Meridel.en.dll", u"<InstallPath>\\Lang", 0, 0x0102030405060708ull, 0xAABBCCDD},
      {u"", u"", 5, 0, 0}};
  const std::string header = EncodeHeader(records);
  ASSERT_EQ(header.size(), 12u + 24 + 2 * (23 + 18) + 24);
  EXPECT_EQ(ReadDataOffset(header.data()), header.size());
  EXPECT_EQ(header.substr(8, 4), std::string("\x02\x00\x00\x00", 4));
  EXPECT_EQ(header.substr(12, 6), std::string("\x17\x00\x00\x00" "C\x00", 6));

  const std::vector<DirectoryRecord> decoded = DecodeHeader(header.data(), header.size());
  ASSERT_EQ(decoded.size(), 2u);
  EXPECT_EQ(decoded[0].source, records[0].source);
  EXPECT_EQ(decoded[0].destination, records[0].destination);
  EXPECT_EQ(decoded[0].size, records[0].size);
  EXPECT_EQ(decoded[0].crc, records[0].crc);
  EXPECT_EQ(decoded[1].kind, 5u);
}

TEST(PayloadFormat, HeaderMustBeFilledExactly) {
  std::string header = EncodeHeader({{u"a.txt", u"<InstallPath>", 0, 1, 2}});
  EXPECT_FALSE(DecodeError(header));

  std::string longer = header + "junk";  // directory needs fewer bytes than the offset
  longer[0] = static_cast<char>(longer.size());
  EXPECT_EQ(DecodeError(longer), compress_errc::unexpected_error);

  std::string shorter = header.substr(0, header.size() - 1);  // last entry runs past the offset
  shorter[0] = static_cast<char>(shorter.size());
  EXPECT_EQ(DecodeError(shorter), compress_errc::unexpected_error);

  std::string hugeCount = EncodeHeader({});
  hugeCount[8] = hugeCount[9] = hugeCount[10] = hugeCount[11] = '\xFF';
  EXPECT_EQ(DecodeError(hugeCount), compress_errc::unexpected_error);

  std::string hugeString = header;
  hugeString[12 + 3] = '\x7F';  // source length far beyond the header
  EXPECT_EQ(DecodeError(hugeString), compress_errc::unexpected_error);
}

TEST(PayloadFormat, SourceFileNameIsTheLastComponentByWindowsRules) {
  EXPECT_EQ(SourceFileName(L"C:\\Build\\Out\\Meridel.exe"), L"Meridel.exe");
  EXPECT_EQ(SourceFileName(L"build/out/Oak.jpg"), L"Oak.jpg");
  EXPECT_EQ(SourceFileName(L"Plain.txt"), L"Plain.txt");
  EXPECT_EQ(SourceFileName(L"C:Relative.txt"), L"Relative.txt");
  EXPECT_EQ(SourceFileName(L"Caf\u00e9.mr-proj"), L"Caf\u00e9.mr-proj");
  for (const wchar_t* bad : {L"", L"C:\\Build\\", L".", L"..", L"x\\..", L"C:", L"a/b:stream"})
    EXPECT_EQ(SourceFileName(bad), L"") << "for \"" << bad << '"';
  EXPECT_EQ(SourceFileName(std::wstring(L"a\0b", 3)), L"");
}

TEST(PayloadFormat, ExpectedLengthReportsOverflowAsZero) {
  EXPECT_EQ(ExpectedLength(12, {{u"", u"", 0, 5, 0}, {u"", u"", 0, 7, 0}}), 24u);
  EXPECT_EQ(ExpectedLength(12, {{u"", u"", 0, ~0ull - 5, 0}}), 0u);
}

TEST(CompressCategory, NamesAndMessages) {
  EXPECT_STREQ(compress_category().name(), "compress");
  EXPECT_EQ(make_error_code(compress_errc::invalid_checksum).message(), "invalid checksum");
  EXPECT_EQ(make_error_code(compress_errc::archive_test_failed).message(), "unknown error");
  EXPECT_EQ(make_error_code(compress_errc::interrupted).message(), "interrupted");
  EXPECT_EQ(make_error_code(compress_errc::bzip2_error).message(), "bzip2 error");
  EXPECT_EQ(make_error_code(compress_errc::unexpected_error).message(), "unexpected error");
  EXPECT_EQ(std::error_code(42, compress_category()).message(), "unknown error");
  EXPECT_EQ(make_error_code(compress_errc::bzip2_error).value(), 6);
}

}  // namespace
}  // namespace qw
