// The archive the installer embeds: found as resource 260/134, holding
// exactly the files of the sample product's manifest (read and checked
// here without the installer's reader), and extracted by the reader into
// the folders its placeholders name, with the notifications in their order.

#include "build_tree.h"
#include "payload/payload_resource.h"

#include <windows.h>
#include <shlobj.h>

#include <bzlib.h>
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "payload/folder_placeholder.h"
#include "payload/special_folder.h"
#include "platform/handles.h"
#include "sample_product_manifest.h"

namespace qw {
namespace {

using test::SampleProductFile;

UniqueModule LoadAsData(const wchar_t* path) {
  return UniqueModule(::LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

TEST(PayloadResource, ShippedInstallerCarriesANeutralBzip2Archive) {
  for (const wchar_t* installer : {QW_SHIPPED_INSTALLER, QW_TEST_INSTALLER}) {
    const UniqueModule module = LoadAsData(installer);
    ASSERT_TRUE(module) << "cannot load the installer, error " << ::GetLastError();
    EXPECT_TRUE(::FindResourceExW(module.get(), MAKEINTRESOURCEW(260), MAKEINTRESOURCEW(134),
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT)));
    const ArchiveBytes bytes = FindPayloadResourceIn(module.get());
    ASSERT_NE(bytes.data, nullptr);
    ASSERT_GT(bytes.size, 4u);
    EXPECT_EQ(std::string(bytes.data, 4), "BZh9");
    PayloadArchive archive(bytes);
    EXPECT_TRUE(archive.test());
  }
}

TEST(PayloadResource, ModuleWithoutTheResourceGivesAnEmptyArchive) {
  // This test program has no payload; neither has its resource module.
  const ArchiveBytes bytes = FindPayloadResource();
  EXPECT_EQ(bytes.data, nullptr);
  PayloadArchive archive(bytes);
  EXPECT_FALSE(archive.test());
}

// The whole decompressed archive (one stream or several one after the
// other), by libbz2 directly; empty on any error.
std::vector<char> Decompress(const ArchiveBytes& bytes) {
  std::vector<char> out;
  bz_stream stream{};
  if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK) return out;
  stream.next_in = const_cast<char*>(bytes.data);
  stream.avail_in = static_cast<unsigned>(bytes.size);
  int status = BZ_OK;
  while (status == BZ_OK) {
    const std::size_t used = out.size();
    out.resize(used + (1u << 20));
    stream.next_out = out.data() + used;
    stream.avail_out = 1u << 20;
    status = BZ2_bzDecompress(&stream);
    out.resize(out.size() - stream.avail_out);
    if (status == BZ_STREAM_END && stream.avail_in > 0) {  // the next of concatenated streams
      BZ2_bzDecompressEnd(&stream);
      char* next = stream.next_in;
      const unsigned left = stream.avail_in;
      stream = bz_stream{};
      status = BZ2_bzDecompressInit(&stream, 0, 0) == BZ_OK ? BZ_OK : BZ_CONFIG_ERROR;
      stream.next_in = next;
      stream.avail_in = left;
    }
    if (status == BZ_OK && stream.avail_in == 0 && stream.avail_out != 0) status = BZ_DATA_ERROR_MAGIC;
  }
  const bool complete = status == BZ_STREAM_END && stream.avail_in == 0;
  BZ2_bzDecompressEnd(&stream);
  if (!complete) out.clear();
  return out;
}

struct ArchiveRecord {
  std::wstring source, destination;
  std::uint32_t kind = 0;
  std::uint64_t size = 0;
  std::uint32_t crc = 0;
  std::uint64_t offset = 0;  // of its data in the decompressed archive
};

// Reads the little-endian header as documented for the format; false when
// it runs past the data or past its own stated length.
class HeaderParser {
 public:
  explicit HeaderParser(const std::vector<char>& bytes) : bytes_(bytes) {}

  bool Parse(std::uint64_t& dataOffset, std::vector<ArchiveRecord>& records) {
    std::uint32_t count = 0;
    if (!Read(dataOffset) || !Read(count)) return false;
    std::uint64_t next = dataOffset;
    for (std::uint32_t i = 0; i < count; ++i) {
      ArchiveRecord record;
      if (!ReadText(record.source) || !ReadText(record.destination) || !Read(record.kind) ||
          !Read(record.size) || !Read(record.crc))
        return false;
      record.offset = next;
      next += record.size;
      records.push_back(record);
    }
    return position_ == dataOffset;
  }

 private:
  template <typename T>
  bool Read(T& value) {
    if (position_ + sizeof(T) > bytes_.size()) return false;
    std::memcpy(&value, bytes_.data() + position_, sizeof(T));
    position_ += sizeof(T);
    return true;
  }
  bool ReadText(std::wstring& text) {
    std::uint32_t length = 0;
    if (!Read(length) || position_ + 2ull * length > bytes_.size()) return false;
    text.resize(length);
    for (std::uint32_t i = 0; i < length; ++i) {
      std::uint16_t unit = 0;
      Read(unit);
      text[i] = static_cast<wchar_t>(unit);
    }
    return true;
  }

  const std::vector<char>& bytes_;
  std::uint64_t position_ = 0;
};

class EmbeddedPayload : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadAsData(QW_TEST_INSTALLER);
    ASSERT_TRUE(module_);
    resource_ = FindPayloadResourceIn(module_.get());
    ASSERT_NE(resource_.data, nullptr);
    archive_ = Decompress(resource_);
    ASSERT_FALSE(archive_.empty()) << "libbz2 cannot decompress the resource";
    ASSERT_TRUE(HeaderParser(archive_).Parse(dataOffset_, records_)) << "malformed header";
    manifest_ = test::ReadSampleProductManifest();
  }

  UniqueModule module_;
  ArchiveBytes resource_;
  std::vector<char> archive_;
  std::uint64_t dataOffset_ = 0;
  std::vector<ArchiveRecord> records_;
  std::vector<SampleProductFile> manifest_;
};

TEST_F(EmbeddedPayload, DirectoryAndEveryFileMatchTheManifest) {
  ASSERT_FALSE(manifest_.empty()) << "cannot read " << ::testing::PrintToString(test::ProductManifestPath());
  ASSERT_EQ(records_.size(), manifest_.size());
  std::uint64_t total = dataOffset_;
  for (std::size_t i = 0; i < records_.size(); ++i) {
    const ArchiveRecord& record = records_[i];
    const SampleProductFile& line = manifest_[i];
    SCOPED_TRACE(::testing::PrintToString(line.source));
    EXPECT_EQ(record.source, line.source);
    EXPECT_EQ(record.destination, line.destination);
    EXPECT_EQ(record.kind, line.kind);
    bool readable = false;
    const std::vector<char> file = test::ReadWholeFile(line.path, readable);
    ASSERT_TRUE(readable);
    EXPECT_EQ(record.size, file.size());
    const std::uint32_t crc = test::Crc32(file.data(), file.size());
    EXPECT_EQ(record.crc, crc);
    ASSERT_LE(record.offset + record.size, archive_.size());
    EXPECT_EQ(test::Crc32(archive_.data() + record.offset, record.size), crc);
    EXPECT_TRUE(std::equal(file.begin(), file.end(), archive_.begin() + static_cast<std::ptrdiff_t>(record.offset)));
    total += record.size;
  }
  EXPECT_EQ(total, archive_.size()) << "the archive must end right after the last file";
}

TEST_F(EmbeddedPayload, ProgramsAreThoseOfThisTree) {
  int programs = 0;
  for (const ArchiveRecord& record : records_) {
    const char* data = archive_.data() + record.offset;
    if (record.kind == 1 || record.kind == 2 || record.destination == L"<InstallPath>\\Lang") {
      EXPECT_EQ(test::ImageMachine(data, record.size), test::ThisTreesMachine())
          << ::testing::PrintToString(record.source);
      ++programs;
    }
  }
  EXPECT_EQ(programs, 14);
}

TEST_F(EmbeddedPayload, IsShapedLikeTheShippedProduct) {
  std::map<std::uint32_t, int> perKind;
  for (const ArchiveRecord& record : records_) ++perKind[record.kind];
  EXPECT_EQ(records_.size(), 70u);
  EXPECT_EQ(perKind[0], 12);
  EXPECT_EQ(perKind[1], 1);
  EXPECT_EQ(perKind[2], 1);
  EXPECT_EQ(perKind[3], 22);
  EXPECT_EQ(perKind[4], 28);
  EXPECT_EQ(perKind[5], 6);
  const double uncompressed = static_cast<double>(archive_.size());
  const double ratio = uncompressed / static_cast<double>(resource_.size);
  std::printf("payload: %zu bytes uncompressed, %zu compressed, ratio %.2f, header %llu bytes\n",
              archive_.size(), static_cast<std::size_t>(resource_.size), ratio,
              static_cast<unsigned long long>(dataOffset_));
  EXPECT_GE(uncompressed, 20e6);
  EXPECT_LE(uncompressed, 30e6);
  EXPECT_GE(ratio, 2.5);
  EXPECT_LE(ratio, 3.5);
}

std::wstring Folder(int csidl) {
  const std::wstring path = SpecialFolderPath(csidl);
  EXPECT_FALSE(path.empty()) << csidl;
  return path;
}

TEST(PayloadResource, EmbeddedArchiveExtractsIntoResolvedFolders) {
  const UniqueModule module = LoadAsData(QW_TEST_INSTALLER);
  ASSERT_TRUE(module);
  PayloadArchive archive(FindPayloadResourceIn(module.get()));

  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const boost::filesystem::path root = boost::filesystem::path(temp) / L"qw-embedded-payload-test";
  const std::wstring samplesName = L"Meridel Examples (payload test)";
  const PlaceholderFolders folders{(root / L"Install").wstring(), samplesName, (root / L"Temp").wstring()};

  std::vector<std::wstring> order;
  std::vector<boost::filesystem::path> written;
  std::map<std::wstring, std::uint64_t> sizeOnDisk;
  std::uint64_t lastDone = 0, total = 0;
  bool tested = false;
  const bool extracted = archive.extract(folders, [&](notification& n) {
    switch (n.index()) {
      case 0:
        tested = archive.test();
        archive.rewind();
        order.push_back(L"started");
        break;
      case 2: order.push_back(L"begin " + std::get<notification::file_begin>(n.value).entry.destination.wstring()); break;
      case 3: {
        const PayloadEntry& entry = std::get<notification::file_end>(n.value).entry;
        order.push_back(L"end " + entry.destination.wstring());
        written.push_back(entry.destination);
        boost::system::error_code error;
        const std::uint64_t size = boost::filesystem::file_size(entry.destination, error);
        sizeOnDisk[entry.destination.wstring()] = error ? ~0ull : size;
        break;
      }
      case 4: {
        const auto& p = std::get<notification::progress>(n.value);
        EXPECT_GE(p.done, lastDone);
        lastDone = p.done;
        total = p.total;
        break;
      }
      case 1: order.push_back(L"finished"); break;
      case 5: order.push_back(L"failure " + std::get<notification::failure>(n.value).text); break;
    }
    return notification::proceed;
  });

  // Clean up first: some folders are the prefix's real ones, so only what
  // lies strictly below them goes, and a folder only when empty.
  const std::vector<boost::filesystem::path> bases = {
      root, SpecialFolderPath(CSIDL_COMMON_APPDATA), SpecialFolderPath(CSIDL_APPDATA),
      SpecialFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY)};
  auto strictlyBelowABase = [&](const boost::filesystem::path& path) {
    for (const auto& base : bases) {
      const std::wstring b = base.wstring() + L"\\";
      if (!base.empty() && path.wstring().compare(0, b.size(), b) == 0) return true;
    }
    return false;
  };
  for (const auto& file : written) {
    boost::system::error_code ignored;
    boost::filesystem::remove(file, ignored);
    for (auto parent = file.parent_path(); strictlyBelowABase(parent); parent = parent.parent_path())
      boost::filesystem::remove(parent, ignored);
  }
  boost::system::error_code ignored;
  boost::filesystem::remove_all(root, ignored);

  ASSERT_TRUE(extracted) << (order.empty() ? std::wstring() : order.back());
  EXPECT_TRUE(tested);
  EXPECT_EQ(lastDone, total);
  ASSERT_EQ(order.size(), 2 + 2 * written.size());
  EXPECT_EQ(order.front(), L"started");
  EXPECT_EQ(order.back(), L"finished");
  for (std::size_t i = 0; i < written.size(); ++i) {
    EXPECT_EQ(order[1 + 2 * i], L"begin " + written[i].wstring());
    EXPECT_EQ(order[2 + 2 * i], L"end " + written[i].wstring());
  }

  // Where each manifest line must land, resolved here from the tokens the
  // manifest uses.
  const std::map<std::wstring, boost::filesystem::path> bases_of_tokens = {
      {L"<InstallPath>", root / L"Install"},
      {L"<Temporary>", root / L"Temp"},
      {L"<CommonData>", Folder(CSIDL_COMMON_APPDATA)},
      {L"<UserData>", Folder(CSIDL_APPDATA)},
      {L"<SamplePath>", boost::filesystem::path(Folder(CSIDL_COMMON_DESKTOPDIRECTORY)) / samplesName}};
  std::map<std::wstring, std::uint64_t> expected;
  for (const SampleProductFile& line : test::ReadSampleProductManifest()) {
    const std::size_t close = line.destination.find(L'>');
    const auto base = bases_of_tokens.find(line.destination.substr(0, close + 1));
    ASSERT_NE(base, bases_of_tokens.end()) << ::testing::PrintToString(line.destination);
    boost::filesystem::path folder = base->second;
    const std::wstring rest = line.destination.substr(close + 1);
    if (!rest.empty()) folder /= rest.substr(1);
    bool readable = false;
    const std::size_t size = test::ReadWholeFile(line.path, readable).size();
    ASSERT_TRUE(readable);
    expected[(folder / line.name).wstring()] = size;
  }
  ASSERT_EQ(expected.size(), 70u);
  EXPECT_EQ(sizeOnDisk, expected);
}

}  // namespace
}  // namespace qw
