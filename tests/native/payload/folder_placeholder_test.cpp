#include "payload/folder_placeholder.h"

#include <gtest/gtest.h>

#include <map>
#include <system_error>

#include "payload/compress_error.h"
#include "payload/special_folder.h"
#include "payload/wide_path.h"

namespace qw {
namespace {

class FolderPlaceholderTest : public ::testing::Test {
 protected:
  boost::filesystem::path Resolve(const std::wstring& placeholder) {
    return ResolvePlaceholder(placeholder, folders_, [this](int id) {
      lookups_.push_back(id);
      const auto it = system_.find(id);
      return it == system_.end() ? std::wstring() : it->second;
    });
  }
  static boost::filesystem::path P(const std::wstring& text) { return WidePath(text); }

  PlaceholderFolders folders_{L"/inst", L"Meridel Examples", L"/tmp/q"};
  std::map<int, std::wstring> system_ = {
      {csidl::kCommonAppData, L"/common"}, {csidl::kAppData, L"/user"},
      {csidl::kCommonDesktopDirectory, L"/alldesk"}, {csidl::kDesktopDirectory, L"/desk"},
      {csidl::kProgramFiles, L"/pf"}, {csidl::kPersonal, L"/docs"}};
  std::vector<int> lookups_;
};

TEST_F(FolderPlaceholderTest, CallerFolders) {
  EXPECT_EQ(Resolve(L"<InstallPath>"), P(L"/inst"));
  EXPECT_EQ(Resolve(L"<InstallPath>\\Lang"), P(L"/inst") / "Lang");
  EXPECT_EQ(Resolve(L"<Temporary>"), P(L"/tmp/q"));
  folders_.temporaryFolder.clear();
  EXPECT_EQ(Resolve(L"<Temporary>\\dx/cab"), P(L"/inst") / "dx" / "cab");
  EXPECT_TRUE(lookups_.empty()) << "caller folders need no system lookup";
}

TEST_F(FolderPlaceholderTest, OnlyAnExactFirstComponentIsAToken) {
  EXPECT_EQ(Resolve(L"<installpath>\\Lang"), P(L"Lang"));
  EXPECT_EQ(Resolve(L"<Nowhere>\\A\\B"), P(L"A") / "B");
  EXPECT_EQ(Resolve(L"Lang\\<InstallPath>"), P(L"Lang\\<InstallPath>"));
  EXPECT_EQ(Resolve(L"<InstallPath"), P(L"<InstallPath"));
  EXPECT_EQ(Resolve(L"C:\\Program Files\\Meridel"), P(L"C:\\Program Files\\Meridel"));
  EXPECT_EQ(Resolve(L""), P(L""));
}

TEST_F(FolderPlaceholderTest, SystemFoldersAndTheirFallbacks) {
  EXPECT_EQ(Resolve(L"<CommonData>\\Quillon Works\\Meridel 6"), P(L"/common") / "Quillon Works" / "Meridel 6");
  EXPECT_EQ(Resolve(L"<UserData>"), P(L"/user"));
  EXPECT_EQ(Resolve(L"<ProgramFiles>"), P(L"/pf"));

  system_.erase(csidl::kCommonAppData);
  lookups_.clear();
  EXPECT_EQ(Resolve(L"<CommonData>\\Quillon Works"), P(L"/user") / "Quillon Works");
  EXPECT_EQ(lookups_, (std::vector<int>{csidl::kCommonAppData, csidl::kAppData}));
  EXPECT_EQ(Resolve(L"<CommonDocuments>"), P(L"/docs")) << "common documents fall back to the user's";
}

TEST_F(FolderPlaceholderTest, MissingSystemFolderIsAnUnexpectedError) {
  system_.erase(csidl::kAppData);
  try {
    Resolve(L"<UserData>\\Quillon Works");
    FAIL() << "no error";
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code(), compress_errc::unexpected_error);
  }
  try {
    Resolve(L"<WinDir>");
    FAIL() << "no error for <WinDir>";
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code(), compress_errc::unexpected_error);
  }
}

TEST_F(FolderPlaceholderTest, SamplePathOnTheAllUsersDesktopOrAbsolute) {
  EXPECT_EQ(Resolve(L"<SamplePath>"), P(L"/alldesk") / "Meridel Examples");
  system_.erase(csidl::kCommonDesktopDirectory);
  EXPECT_EQ(Resolve(L"<SamplePath>\\Garden"), P(L"/desk") / "Meridel Examples" / "Garden");
  folders_.samplesFolder.clear();
  EXPECT_EQ(Resolve(L"<SamplePath>"), P(L"/desk"));
  folders_.samplesFolder = L"/srv/samples";
  EXPECT_EQ(Resolve(L"<SamplePath>"), P(L"/srv/samples"));
}

TEST(SpecialFolder, HostMappingFollowsHome) {
  const char* home = std::getenv("HOME");
  const std::string saved = home ? home : "";
  setenv("HOME", "/home/tester", 1);
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(SpecialFolderPath(csidl::kAppData), L"/home/tester/.local/share");
  EXPECT_EQ(SpecialFolderPath(csidl::kDesktopDirectory), L"/home/tester/Desktop");
  EXPECT_EQ(SpecialFolderPath(csidl::kCommonDesktopDirectory), L"");
  const PlaceholderFolders folders{L"/inst", L"Examples", L""};
  EXPECT_EQ(ResolvePlaceholder(L"<SamplePath>", folders), boost::filesystem::path("/home/tester/Desktop/Examples"));
  EXPECT_EQ(ResolvePlaceholder(L"<CommonData>\\Quillon Works", folders), boost::filesystem::path("/var/lib/Quillon Works"));
  if (home) setenv("HOME", saved.c_str(), 1); else unsetenv("HOME");
}

}  // namespace
}  // namespace qw
