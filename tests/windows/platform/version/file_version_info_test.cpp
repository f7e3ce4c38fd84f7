#include "platform/file_version_info.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "build_tree.h"

namespace qw {
namespace {

// The languages whose spelling the display name takes (LCIDs).
constexpr LCID kFrenchFrance = 0x040C;
constexpr LCID kFrenchCanada = 0x0C0C;
constexpr LCID kEnglishUnitedStates = 0x0409;
constexpr LCID kGermanGermany = 0x0407;

std::wstring Sample(const wchar_t* name) {
  return std::wstring(QW_VERSION_SAMPLES) + L"\\" + name + L".dll";
}

TEST(FileVersionInfo, ShippedInstaller) {
  const FileVersionInfo info = FileVersionInfo::FromFile(QW_SHIPPED_INSTALLER);
  ASSERT_FALSE(info.empty());
  EXPECT_EQ(info.FixedFileVersion(), 0x0002000300010001ULL);
  EXPECT_EQ(info.Translations(), std::vector<std::wstring>{L"040004b0"});
  EXPECT_EQ(info.DisplayName(kEnglishUnitedStates), L"Install 2.03a");
  EXPECT_EQ(info.StringValue(L"ApplicationId"), L"Meridel6");
  EXPECT_EQ(info.StringValue(L"InternalName"), L"Install");
  EXPECT_EQ(info.StringValue(L"CompanyName"), L"Quillon Works");
  EXPECT_EQ(info.StringValue(L"FileVersion"), L"2.3.1.1");
  EXPECT_FALSE(info.LegalCopyright().empty());
}

TEST(FileVersionInfo, ReleaseBuild) {
  const FileVersionInfo info = FileVersionInfo::FromFile(Sample(L"release"));
  EXPECT_EQ(info.FixedFileVersion(), 0x0006000700030001ULL);
  EXPECT_EQ(info.DisplayName(kEnglishUnitedStates), L"Meridel 6.07c");
  EXPECT_EQ(info.StringValue(L"NoSuchValue"), L"");
}

TEST(FileVersionInfo, AnsiOnlyTranslationHasNoStringsButAFixedVersion) {
  const FileVersionInfo info = FileVersionInfo::FromFile(Sample(L"ansi_only"));
  EXPECT_FALSE(info.empty());
  EXPECT_TRUE(info.Translations().empty());
  EXPECT_EQ(info.ProductName(), L"");
  EXPECT_EQ(info.DisplayName(kEnglishUnitedStates), L"");
  EXPECT_EQ(info.FixedFileVersion(), 0x0006000700030001ULL);
}

TEST(FileVersionInfo, UnicodeTranslationsInTableOrder) {
  const FileVersionInfo info = FileVersionInfo::FromFile(Sample(L"two_translations"));
  EXPECT_EQ(info.Translations(), (std::vector<std::wstring>{L"040704b0", L"040904b0"}));
  EXPECT_EQ(info.StringValue(L"ProductName", 0), L"Meridel DE");
  EXPECT_EQ(info.StringValue(L"ProductName", 1), L"Meridel");
  EXPECT_EQ(info.StringValue(L"ProductName", 2), L"");
}

TEST(FileVersionInfo, PreReleaseKeepsBetaInFrenchOnly) {
  const FileVersionInfo info = FileVersionInfo::FromFile(Sample(L"prerelease"));
  EXPECT_EQ(info.DisplayName(kFrenchFrance), L"Meridel 6.08 b\u00eata 2");
  EXPECT_EQ(info.DisplayName(kFrenchCanada), L"Meridel 6.08 b\u00eata 2");
  EXPECT_EQ(info.DisplayName(kEnglishUnitedStates), L"Meridel 6.08 beta 2");
  EXPECT_EQ(info.DisplayName(kGermanGermany), L"Meridel 6.08 beta 2");
}

TEST(FileVersionInfo, PrivateDebugBuildGetsBothMarks) {
  const FileVersionInfo info = FileVersionInfo::FromFile(Sample(L"private_debug"));
  EXPECT_EQ(info.DisplayName(kEnglishUnitedStates), L"Meridel 6.07c \u2013 Private \u2013 Debug");
}

TEST(FileVersionInfo, NoVersionInformation) {
  for (const std::wstring& path : {Sample(L"none"), Sample(L"missing")}) {
    const FileVersionInfo info = FileVersionInfo::FromFile(path);
    EXPECT_TRUE(info.empty()) << path.c_str();
    EXPECT_EQ(info.FixedFileVersion(), 0u);
    EXPECT_EQ(info.DisplayName(kEnglishUnitedStates), L"");
  }
  // The test program itself carries no version resource.
  EXPECT_TRUE(FileVersionInfo::FromRunningModule().empty());
}

// A version block built by hand, for what resource compilers do not
// produce: string values stored with and without their terminating NUL.
class VersionBlock {
 public:
  static std::vector<std::uint8_t> Build(const std::wstring& productName, bool withNul) {
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = 0xFEEF04BD;
    fixed.dwStrucVersion = 0x10000;
    fixed.dwFileVersionMS = 0x00060007;
    fixed.dwFileVersionLS = 0x00030001;
    std::vector<std::uint8_t> fixedBytes(reinterpret_cast<const std::uint8_t*>(&fixed),
                                         reinterpret_cast<const std::uint8_t*>(&fixed) + sizeof(fixed));
    std::vector<std::uint8_t> text = Utf16(productName, withNul);
    const std::uint16_t textLength = static_cast<std::uint16_t>(text.size() / 2);
    const std::vector<std::uint8_t> name = Node(L"ProductName", text, textLength, 1, {});
    const std::vector<std::uint8_t> table = Node(L"040904b0", {}, 0, 1, {name});
    const std::vector<std::uint8_t> strings = Node(L"StringFileInfo", {}, 0, 1, {table});
    const std::vector<std::uint8_t> translation = Node(L"Translation", {0x09, 0x04, 0xB0, 0x04}, 4, 0, {});
    const std::vector<std::uint8_t> vars = Node(L"VarFileInfo", {}, 0, 1, {translation});
    return Node(L"VS_VERSION_INFO", fixedBytes, sizeof(fixed), 0, {strings, vars});
  }

 private:
  static std::vector<std::uint8_t> Utf16(const std::wstring& s, bool withNul) {
    std::vector<std::uint8_t> out;
    for (wchar_t c : s) {
      out.push_back(static_cast<std::uint8_t>(c & 0xFF));
      out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    if (withNul) out.insert(out.end(), {0, 0});
    return out;
  }
  static void Align(std::vector<std::uint8_t>& v) {
    while (v.size() % 4) v.push_back(0);
  }
  static std::vector<std::uint8_t> Node(const std::wstring& key, const std::vector<std::uint8_t>& value,
                                        std::uint16_t valueLength, std::uint16_t type,
                                        const std::vector<std::vector<std::uint8_t>>& children) {
    std::vector<std::uint8_t> node(6, 0);
    const std::vector<std::uint8_t> keyBytes = Utf16(key, true);
    node.insert(node.end(), keyBytes.begin(), keyBytes.end());
    Align(node);
    node.insert(node.end(), value.begin(), value.end());
    for (const auto& child : children) {
      Align(node);
      node.insert(node.end(), child.begin(), child.end());
    }
    const std::size_t length = node.size();
    node[0] = static_cast<std::uint8_t>(length & 0xFF);
    node[1] = static_cast<std::uint8_t>(length >> 8);
    node[2] = static_cast<std::uint8_t>(valueLength & 0xFF);
    node[3] = static_cast<std::uint8_t>(valueLength >> 8);
    node[4] = static_cast<std::uint8_t>(type);
    return node;
  }
};

TEST(FileVersionInfo, StringsWithAndWithoutTerminatingNulAreEqual) {
  const std::vector<std::uint8_t> withNul = VersionBlock::Build(L"Meridel", true);
  const std::vector<std::uint8_t> withoutNul = VersionBlock::Build(L"Meridel", false);
  const FileVersionInfo a = FileVersionInfo::FromBlock(withNul.data(), withNul.size());
  const FileVersionInfo b = FileVersionInfo::FromBlock(withoutNul.data(), withoutNul.size());
  EXPECT_EQ(a.FixedFileVersion(), 0x0006000700030001ULL);
  EXPECT_EQ(a.ProductName(), L"Meridel");
  EXPECT_EQ(b.ProductName(), L"Meridel");
}

}  // namespace
}  // namespace qw
