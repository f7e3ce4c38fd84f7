// The archive the installer embeds: found as resource 260/134, accepted by
// the test, and extracted into the folders its placeholders name, with the
// notifications in their order.

#include "payload/payload_resource.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <set>
#include <string>
#include <vector>

#include "payload/folder_placeholder.h"
#include "payload/special_folder.h"
#include "platform/handles.h"

namespace qw {
namespace {

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
  const PlaceholderFolders folders{(root / L"Install").wstring(), L"Meridel Examples (payload test)",
                                   (root / L"Temp").wstring()};

  std::vector<std::wstring> order;
  std::vector<boost::filesystem::path> written;
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

  const std::set<std::wstring> expected = {
      (root / L"Install" / L"License.txt").wstring(),
      (root / L"Install" / L"Lang" / L"Messages.fr.txt").wstring(),
      (boost::filesystem::path(Folder(CSIDL_COMMON_APPDATA)) / L"Quillon Works" / L"Meridel 6" / L"Furniture.mr-lib").wstring(),
      (boost::filesystem::path(Folder(CSIDL_APPDATA)) / L"Quillon Works" / L"Meridel 6" / L"UserImages.bmp").wstring(),
      (boost::filesystem::path(Folder(CSIDL_COMMON_DESKTOPDIRECTORY)) / L"Meridel Examples (payload test)" /
       L"Caf\u00e9 Terrasse.mr-proj").wstring(),
      (root / L"Temp" / L"SetupNotes.txt").wstring()};
  std::set<std::wstring> got;
  for (const auto& file : written) got.insert(file.wstring());
  for (const std::wstring& file : expected) EXPECT_EQ(got.count(file), 1u) << boost::filesystem::path(file).string();
}

}  // namespace
}  // namespace qw
