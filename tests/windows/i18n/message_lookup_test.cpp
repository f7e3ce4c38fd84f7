#include "i18n/message_lookup.h"

#include <gtest/gtest.h>

#include "i18n/language_state.h"
#include "installer_strings.h"

namespace qw {
namespace {

using MessageLookup = InstallerStrings;

constexpr MessageId kCancel = msg::kCancel;
constexpr MessageId kDirectXUpdate = msg::kDirectXUpdate;

TEST_F(MessageLookup, EachInstallerLanguageReadsItsOwnBlock) {
  const struct {
    LanguageIndex language;
    std::uint32_t cancelId;
    const wchar_t* cancel;
  } cases[] = {
      {kFrench, 1002, L"Annuler"},     {kEnglish, 2002, L"Cancel"},
      {kGerman, 3002, L"Abbrechen"},   {kSpanish, 4002, L"Cancelar"},
      {kPortuguese, 5002, L"Cancelar"}, {kItalian, 6002, L"Annulla"},
      {kTurkish, 9002, L"\u0130ptal"}, {kRomanian, 12002, L"Anulare"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.language);
    SetLanguage(c.language);
    EXPECT_EQ(ResolveMessageId(kCancel), c.cancelId);
    EXPECT_EQ(LoadMessage(kCancel), c.cancel);
  }
}

TEST_F(MessageLookup, BlockOrderDiffersFromIndexOrder) {
  SetLanguage(kItalian);
  EXPECT_EQ(ResolveMessageId(msg::kAboutTitle), 6003u);
  SetLanguage(kTurkish);
  EXPECT_EQ(ResolveMessageId(msg::kCancel), 9002u);
  SetLanguage(kRomanian);
  EXPECT_EQ(ResolveMessageId(msg::kCancel), 12002u);
}

TEST_F(MessageLookup, LanguagesWithoutInstallerTextsReadEnglish) {
  for (LanguageIndex language : {kDutch, kDanish, kBulgarian, kChineseSimplified, kCzech,
                                 kNorwegian, kGreek, kPolish, kHebrew, kVietnamese}) {
    SCOPED_TRACE(language);
    SetLanguage(language);
    EXPECT_EQ(GetLanguage(), language);
    // Dutch has its own "Annuleren" at 7002, which is never read.
    EXPECT_EQ(ResolveMessageId(kCancel), 2002u);
    EXPECT_EQ(LoadMessage(kCancel), L"Cancel");
    EXPECT_EQ(ResolveMessageId(1100), 2100u);
    EXPECT_EQ(ResolveMessageId(kDirectXUpdate), 1131u);
  }
}

TEST_F(MessageLookup, DirectXUpdateFallsBackToFrenchEverywhere) {
  for (LanguageIndex language = 0; language < kLanguageCount; ++language) {
    SCOPED_TRACE(language);
    SetLanguage(language);
    EXPECT_EQ(ResolveMessageId(kDirectXUpdate), 1131u);
    EXPECT_EQ(LoadMessage(kDirectXUpdate), L"Mise \u00e0 jour de DirectX...");
  }
}

TEST_F(MessageLookup, GermanShowsGermanCopies) {
  SetLanguage(kGerman);
  EXPECT_EQ(LoadMessage(kCancel), L"Abbrechen");
  EXPECT_EQ(FormatMessageText(msg::kClickToContinue, LoadMessage(msg::kNext)), L"Klicken Sie auf 'Weiter', um fortzufahren.");
}

TEST_F(MessageLookup, EnglishTexts) {
  SetLanguage(kEnglish);
  EXPECT_EQ(LoadMessage(msg::kConfirmExit),
            L"Installation is not complete.\r\n\r\nDo you still confirm exit Installation ?");
  EXPECT_EQ(FormatMessageText(msg::kUpdateFromTo, L"Meridel 6.05", L"Meridel 6.07c"),
            L"Update from 'Meridel 6.05' to 'Meridel 6.07c'.");
  EXPECT_EQ(FormatMessageText(msg::kCopyingFile, L"\"C:\\Program Files\\a b.dll\""),
            L"Copying File  \"C:\\Program Files\\a b.dll\"...");
}

TEST_F(MessageLookup, MissingResourceIsEmpty) {
  for (LanguageIndex language : {kFrench, kEnglish, kGerman, kGreek}) {
    SCOPED_TRACE(language);
    SetLanguage(language);
    EXPECT_EQ(LoadMessage(1116), L"");
    EXPECT_EQ(LoadMessage(1130), L"");
  }
}

TEST(FormatText, ReplacesFirstAndSecondArgument) {
  EXPECT_EQ(FormatText(L"'%1' to '%2', again %1", L"a", L"b"), L"'a' to 'b', again a");
  EXPECT_EQ(FormatText(L"%2%1", L"x", L"y"), L"yx");
  EXPECT_EQ(FormatText(L"%1", L"%2", L"z"), L"%2");  // arguments are not rescanned
  EXPECT_EQ(FormatText(L"100% %3 %", L"a"), L"100% %3 %");
  EXPECT_EQ(FormatText(L"%1", L""), L"");
  EXPECT_EQ(FormatText(L"", L"a", L"b"), L"");
}

}  // namespace
}  // namespace qw
