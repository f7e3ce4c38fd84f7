// The extraction handler and the temporary cleanup it is given: the setup
// files (payload kind 5) it writes are listed in that cleanup, no other file
// is, and the cleanup deletes them and its folder when it ends.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "build_tree.h"
#include "engine/extraction_handler.h"
#include "engine/temporary_cleanup.h"
#include "installer_strings.h"
#include "payload/payload_kind.h"
#include "recording_page.h"
#include "scratch_folder.h"
#include "test_payload.h"
#include "test_text.h"

namespace qw {
namespace {

using test::Exists;
using test::Narrow;
using test::ScratchFolder;

class ExtractionHandlerTest : public InstallerStrings {};

TEST_F(ExtractionHandlerTest, SetupFilesGoToTheTemporaryCleanupItWasGiven) {
  const std::string bytes = test::ReadArchiveFile(QW_TEST_PAYLOAD);
  const std::vector<test::ListedEntry> listed = test::ReadPackerList(QW_TEST_PAYLOAD_LIST);
  ASSERT_FALSE(bytes.empty());
  ScratchFolder scratch(L"extraction_handler");
  const std::wstring install = scratch / L"Meridel", temp = scratch / L"quillon_temp";
  std::vector<std::wstring> setupFiles, otherFiles;
  for (const test::ListedEntry& e : listed) {
    const std::wstring path = test::ResolveForTest(e.destination, install, temp);
    (IsPayloadKind(e.kind, PayloadKind::TemporarySetup) ? setupFiles : otherFiles).push_back(path);
  }
  ASSERT_FALSE(setupFiles.empty()) << "the test payload carries a setup file";
  ASSERT_FALSE(otherFiles.empty());

  InstallJournal journal(UninstallKeyLocation{HKEY_CURRENT_USER, L"Software\\QwExtractionHandlerTest", L"Meridel 6"});
  test::RecordingPage page;
  {
    TemporaryCleanup cleanup(temp);
    PayloadArchive archive({bytes.data(), bytes.size()});
    ExtractionHandler handler(archive, InstalledState::NotInstalled, journal, cleanup, page);
    ASSERT_TRUE(archive.extract({install, scratch / L"Samples", temp}, std::ref(handler))) << page.Status();
    EXPECT_EQ(cleanup.files(), setupFiles);
    for (const std::wstring& path : setupFiles) EXPECT_TRUE(Exists(path)) << path;
  }
  for (const std::wstring& path : setupFiles) EXPECT_FALSE(Exists(path)) << path;
  EXPECT_FALSE(Exists(temp)) << "the emptied temporary folder goes as well";
  for (const std::wstring& path : otherFiles) EXPECT_TRUE(Exists(path)) << "not the cleanup's: " << Narrow(path);
  journal.Rollback();
  for (const std::wstring& path : otherFiles) EXPECT_FALSE(Exists(path)) << Narrow(path);
}

}  // namespace
}  // namespace qw
