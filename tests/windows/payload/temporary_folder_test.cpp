// The per-run temporary folder: its name, its place and the length limit.

#include <windows.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "app/install_context.h"
#include "payload/temporary_folder.h"

namespace qw {
namespace {

// Sets TMP for the test's lifetime (GetTempPathW reads it first).
class TemporaryTmp {
 public:
  explicit TemporaryTmp(const std::wstring& value) {
    wchar_t saved[32767];
    const DWORD length = ::GetEnvironmentVariableW(L"TMP", saved, 32767);
    had_ = length > 0;
    if (had_) saved_.assign(saved, length);
    ::SetEnvironmentVariableW(L"TMP", value.c_str());
  }
  ~TemporaryTmp() { ::SetEnvironmentVariableW(L"TMP", had_ ? saved_.c_str() : nullptr); }

 private:
  bool had_;
  std::wstring saved_;
};

TEST(TemporaryFolder, NewRandomFolderUnderTheUsersTemporaryFolderNotCreated) {
  InstallContext context(L"MeridelTempFolderTest");
  wchar_t temp[MAX_PATH];
  const std::wstring base(temp, ::GetTempPathW(MAX_PATH, temp));
  ASSERT_EQ(context.CreateTempFolder(), std::error_code());
  const std::wstring first = context.m_tempFolder;
  ASSERT_EQ(first.compare(0, base.size(), base), 0) << first.c_str();
  const std::wregex name(L"quillon_\\{[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}\\}");
  EXPECT_TRUE(std::regex_match(first.substr(base.size()), name));
  EXPECT_EQ(::GetFileAttributesW(first.c_str()), INVALID_FILE_ATTRIBUTES);

  ASSERT_EQ(context.CreateTempFolder(), std::error_code());
  EXPECT_NE(context.m_tempFolder, first) << "every run gets its own folder";
}

// A temporary folder of "C:\" + `letters` + "\".
std::wstring TempPathOf(std::size_t length) { return L"C:\\" + std::wstring(length - 4, L'a') + L"\\"; }

TEST(TemporaryFolder, LongTemporaryPathsFailWithTheFunctionThatFailed) {
  InstallContext context(L"MeridelTempFolderLimitTest");
  {
    TemporaryTmp tmp(TempPathOf(213));  // the longest that leaves room for the name
    const std::error_code error = context.CreateTempFolder();
    ASSERT_FALSE(error) << error.message();
    EXPECT_EQ(context.m_tempFolder.compare(0, 213, TempPathOf(213)), 0);
    EXPECT_EQ(context.m_tempFolder.size(), 213u + 46u);
  }
  const std::wstring kept = context.m_tempFolder;
  for (std::size_t length : {214u, 246u}) {
    TemporaryTmp tmp(TempPathOf(length));
    const std::error_code error = context.CreateTempFolder();
    EXPECT_TRUE(error) << length;
    EXPECT_EQ(error.category(), temporary_folder_category(TemporaryFolderCall::AppendName)) << length;
    EXPECT_STREQ(TemporaryFolderCallName(error.category()), L"PathAppend");
  }
  {
    TemporaryTmp tmp(TempPathOf(247));
    const std::error_code error = context.CreateTempFolder();
    EXPECT_TRUE(error);
    EXPECT_EQ(error.category(), temporary_folder_category(TemporaryFolderCall::QueryTempPath));
    EXPECT_STREQ(TemporaryFolderCallName(error.category()), L"GetTempPath");
  }
  EXPECT_EQ(context.m_tempFolder, kept) << "a failure leaves the folder alone";
  EXPECT_EQ(TemporaryFolderCallName(std::system_category()), nullptr) << "only its own categories name a call";
}

}  // namespace
}  // namespace qw
