#include "i18n/select_language.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qw {
namespace {

// Records what the language choice asked of the wizard, with the language
// that was current at the time.
class SelectLanguageTest : public ::testing::Test {
 protected:
  struct Call {
    const char* handler;
    LanguageIndex current;
    bool operator==(const Call& other) const {
      return std::string(handler) == other.handler && current == other.current;
    }
  };

  void SetUp() override {
    previous_ = GetLanguage();
    handlers_.announceEnglish = [this] { calls_.push_back({"announceEnglish", GetLanguage()}); };
    handlers_.relabel = [this] { calls_.push_back({"relabel", GetLanguage()}); };
  }
  void TearDown() override { SetLanguage(previous_); }

  LanguageChoiceHandlers handlers_;
  std::vector<Call> calls_;

 private:
  LanguageIndex previous_ = kFrench;
};

TEST_F(SelectLanguageTest, InstallerLanguageIsRelabelledWithoutMessage) {
  SetLanguage(kEnglish);
  SelectLanguage(kGerman, handlers_);
  EXPECT_EQ(GetLanguage(), kGerman);
  EXPECT_EQ(calls_, (std::vector<Call>{{"relabel", kGerman}}));

  calls_.clear();
  SelectLanguage(kFrench, handlers_);
  EXPECT_EQ(GetLanguage(), kFrench);
  EXPECT_EQ(calls_, (std::vector<Call>{{"relabel", kFrench}}));
}

TEST_F(SelectLanguageTest, HebrewIsAnnouncedInHebrewThenEnglishIsRelabelled) {
  SetLanguage(kFrench);
  SelectLanguage(kHebrew, handlers_);
  EXPECT_EQ(GetLanguage(), kEnglish);
  EXPECT_EQ(calls_, (std::vector<Call>{{"announceEnglish", kHebrew}, {"relabel", kEnglish}}));
}

TEST_F(SelectLanguageTest, WorksWithoutHandlers) {
  SelectLanguage(kSpanish, {});
  EXPECT_EQ(GetLanguage(), kSpanish);
  SelectLanguage(kDutch, {});
  EXPECT_EQ(GetLanguage(), kEnglish);
  EXPECT_TRUE(calls_.empty());
}

}  // namespace
}  // namespace qw
