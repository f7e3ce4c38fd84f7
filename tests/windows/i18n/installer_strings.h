#pragma once
// Test fixture: message lookups read the string tables of the built
// installer (a test program has none of its own), loaded as a data file.

#include <windows.h>

#include <gtest/gtest.h>

#include "build_tree.h"
#include "i18n/language_state.h"
#include "platform/handles.h"

namespace qw {

class InstallerStrings : public ::testing::Test {
 protected:
  void SetUp() override {
    module_.reset(::LoadLibraryExW(QW_TEST_INSTALLER, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module_) << "cannot load " << ::testing::PrintToString(std::wstring(QW_TEST_INSTALLER));
    previous_ = GetLanguage();
    SetResourceModuleForTesting(module_.get());
  }
  void TearDown() override {
    SetLanguage(previous_);
    SetResourceModuleForTesting(nullptr);
  }

 private:
  UniqueModule module_;
  LanguageIndex previous_ = kFrench;
};

}  // namespace qw
