// Opening and creating registry keys into their owner: the status as an
// error code, the owner empty after a failure, and whether a key was made.

#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include "platform/registry_key.h"

namespace qw {
namespace {

constexpr wchar_t kTestRoot[] = L"Software\\QwRegistryKeyTest";

class RegistryKey : public ::testing::Test {
 protected:
  void SetUp() override { ::SHDeleteKeyW(HKEY_CURRENT_USER, kTestRoot); }
  void TearDown() override { ::SHDeleteKeyW(HKEY_CURRENT_USER, kTestRoot); }
};

TEST_F(RegistryKey, OpeningAMissingKeyGivesTheSystemsStatusAndAnEmptyOwner) {
  UniqueRegKey key;
  ASSERT_FALSE(OpenRegKey(HKEY_CURRENT_USER, L"Software", KEY_READ, key));
  ASSERT_TRUE(key) << "the first open holds the key";
  const std::error_code error = OpenRegKey(HKEY_CURRENT_USER, std::wstring(kTestRoot) + L"\\Missing", KEY_READ, key);
  EXPECT_EQ(error, std::error_code(ERROR_FILE_NOT_FOUND, std::system_category()));
  EXPECT_FALSE(key) << "a failed open leaves nothing held, not the key it held before";
}

TEST_F(RegistryKey, CreatingSaysWhetherTheKeyWasMadeAndOpensItWhenItExists) {
  const std::wstring path = std::wstring(kTestRoot) + L"\\Deeper\\Product";
  UniqueRegKey key;
  bool created = false;
  ASSERT_FALSE(CreateRegKey(HKEY_CURRENT_USER, path, KEY_SET_VALUE, key, &created));
  EXPECT_TRUE(created);
  const DWORD one = 1;
  EXPECT_EQ(::RegSetValueExW(key.get(), L"Value", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one),
            ERROR_SUCCESS)
      << "opened with the access asked for";

  ASSERT_FALSE(CreateRegKey(HKEY_CURRENT_USER, path, KEY_QUERY_VALUE, key, &created));
  EXPECT_FALSE(created) << "the second call opens what the first made";
  DWORD value = 0, size = sizeof value;
  EXPECT_EQ(::RegQueryValueExW(key.get(), L"Value", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 1u);

  // Below a handle that names no key nothing can be made.
  created = true;
  const std::error_code error =
      CreateRegKey(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x7FF0)), L"Product", KEY_READ, key, &created);
  EXPECT_TRUE(error);
  EXPECT_EQ(error.category(), std::system_category());
  EXPECT_FALSE(created);
  EXPECT_FALSE(key);
}

}  // namespace
}  // namespace qw
