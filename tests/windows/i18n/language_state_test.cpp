#include "i18n/language_state.h"

#include <gtest/gtest.h>

#include <array>
#include <clocale>
#include <locale>

namespace qw {
namespace {

TEST(LanguageSets, InstallerAndProductLanguages) {
  std::uint32_t installer = 0;
  std::uint32_t product = 0;
  for (LanguageIndex index = 0; index < kLanguageCount; ++index) {
    if (IsInstallerLanguage(index)) installer |= 1u << index;
    if (IsProductLanguage(index)) product |= 1u << index;
  }
  // 0, 1, 2, 3, 4, 7, 9, 11 and the product mask 0x34EBF.
  EXPECT_EQ(installer, 0xA9Fu);
  EXPECT_EQ(product, 0x34EBFu);
  for (LanguageIndex outside : {-1, 18, 31, 32, 1000}) {
    EXPECT_FALSE(IsProductLanguage(outside)) << outside;
    EXPECT_FALSE(IsInstallerLanguage(outside)) << outside;
  }
}

TEST(LanguageSets, LcidsAndBlocks) {
  const LCID lcids[kLanguageCount] = {1036, 1033, 1031, 3082, 2070, 1043, 1030, 1055, 1026,
                                      1048, 2052, 1040, 1029, 1044, 1032, 1045, 1037, 1066};
  const std::uint32_t blocks[kLanguageCount] = {0,     1000,  2000,  3000,  4000,  6000,
                                                7000,  8000,  10000, 11000, 9000,  5000,
                                                12000, 13000, 14000, 15000, 16000, 17000};
  for (LanguageIndex index = 0; index < kLanguageCount; ++index) {
    EXPECT_EQ(LanguageLcid(index), lcids[index]) << index;
    EXPECT_EQ(MessageBlockOffset(index), blocks[index]) << index;
  }
  EXPECT_EQ(LanguageLcid(-1), 1036u);
  EXPECT_EQ(LanguageLcid(18), 1036u);
}

TEST(LanguageSets, FlagIconsAndTheListOrderOfTheProductLanguages) {
  const int icons[kLanguageCount] = {144, 145, 141, 143, 148, 147, 142, 149, 150,
                                     151, 152, 146, 153, 154, 155, 156, 157, 158};
  for (LanguageIndex index = 0; index < kLanguageCount; ++index) {
    EXPECT_EQ(LanguageFlagIcon(index), icons[index]) << index;
  }
  EXPECT_EQ(LanguageFlagIcon(-1), 0);
  EXPECT_EQ(LanguageFlagIcon(18), 0);
  const std::array<LanguageIndex, 13> order = {0, 1, 2, 3, 11, 4, 5, 14, 7, 9, 10, 16, 17};
  EXPECT_EQ(kProductLanguageListOrder, order);
}

TEST(LanguageState, SetLanguageKeepsTheLanguageAndItsLcid) {
  const LanguageIndex previous = GetLanguage();
  SetLanguage(kGerman);
  EXPECT_EQ(GetLanguage(), kGerman);
  EXPECT_EQ(LANGIDFROMLCID(CurrentLcid()), 1031);
  EXPECT_EQ(CurrentLcid(), UserPreferredLcid(kGerman));
  SetLanguage(42);  // not a language: nothing changes
  EXPECT_EQ(GetLanguage(), kGerman);
  SetLanguage(kHebrew);
  EXPECT_EQ(GetLanguage(), kHebrew);
  EXPECT_EQ(LANGIDFROMLCID(CurrentLcid()), 1037);
  SetLanguage(previous);
}

TEST(LanguageState, UserLcidKeptForTheUsersOwnLanguage) {
  const LCID user = ::GetUserDefaultLCID();
  for (LanguageIndex index = 0; index < kLanguageCount; ++index) {
    const LCID expected =
        LANGIDFROMLCID(user) == LANGIDFROMLCID(LanguageLcid(index)) ? user : LanguageLcid(index);
    EXPECT_EQ(UserPreferredLcid(index), expected) << index;
  }
}

TEST(LanguageState, NumbersStayClassic) {
  const LanguageIndex previous = GetLanguage();
  for (LanguageIndex index : {kGerman, kFrench, kTurkish, kEnglish}) {
    SetLanguage(index);
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C") << index;
    EXPECT_STREQ(std::setlocale(LC_MONETARY, nullptr), "C") << index;
    EXPECT_EQ(std::use_facet<std::numpunct<char>>(std::locale()).decimal_point(), '.');
  }
  SetLanguage(previous);
}

TEST(LanguageState, DefaultMaskIsFrenchOnly) {
  // Whoever the user is, a mask of 0 knows French only, and French is also
  // the fallback without English in the mask.
  EXPECT_EQ(DetectUserLanguage(0), kFrench);
  EXPECT_EQ(DetectUserLanguage(1u << kFrench), kFrench);
}

TEST(LanguageState, DetectionFallsBackToEnglishWhenTheMaskHasIt) {
  // A mask with English alone answers English for every user.
  EXPECT_EQ(DetectUserLanguage(1u << kEnglish), kEnglish);
}

TEST(WritingDirection, HebrewIsRightToLeft) {
  EXPECT_TRUE(IsRightToLeftLanguage(kHebrew));
  EXPECT_FALSE(IsRightToLeftLanguage(kFrench));
  EXPECT_FALSE(IsRightToLeftLanguage(kEnglish));
  EXPECT_FALSE(IsRightToLeftLanguage(kGreek));

  const LanguageIndex previous = GetLanguage();
  SetLanguage(kHebrew);
  EXPECT_TRUE(IsCurrentLanguageRightToLeft());
  EXPECT_FALSE(IsCurrentLanguageLeftToRight());
  SetLanguage(kFrench);
  EXPECT_FALSE(IsCurrentLanguageRightToLeft());
  EXPECT_TRUE(IsCurrentLanguageLeftToRight());
  SetLanguage(previous);
}

TEST(NativeNames, EveryProductLanguageHasOne) {
  for (LanguageIndex index = 0; index < kLanguageCount; ++index) {
    if (!IsProductLanguage(index)) continue;
    const std::wstring name = LanguageNativeName(index);
    ASSERT_FALSE(name.empty()) << index;
    wchar_t first = name[0];
    ::CharUpperBuffW(&first, 1);
    EXPECT_EQ(name[0], first) << index;
  }
  EXPECT_EQ(LanguageNativeName(kFrench), L"Fran\u00e7ais");
  EXPECT_EQ(LanguageNativeName(kGerman), L"Deutsch");
}

}  // namespace
}  // namespace qw
