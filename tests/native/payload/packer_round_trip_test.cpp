// What the packer makes, the reader reads back: byte for byte and CRC for
// CRC, for archives of no, one and many entries, with empty files and
// non-ASCII names; and the packer's refusals.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "payload/payload_archive.h"
#include "payload/unicode_text.h"
#include "payload/wide_path.h"
#include "test_archive.h"
#include "tools/payload_packer/archive_inspection.h"
#include "tools/payload_packer/archive_packing.h"
#include "tools/payload_packer/payload_manifest.h"

namespace qw {
namespace {

class PackerRoundTrip : public ::testing::Test {
 protected:
  // The kind of the file at `index`: the second is the main program (kind
  // 1), the third the uninstaller (kind 2), the others take kinds 0, 3, 4
  // and 5 in turn (kind 5 goes to <Temporary>).
  static int KindOf(std::size_t index) {
    const int otherKinds[] = {0, 3, 4, 5};
    return index == 1 ? 1 : index == 2 ? 2 : otherKinds[index % 4];
  }

  // Writes the files and a manifest listing them.
  std::string MakeManifest(const std::vector<std::pair<std::string, std::string>>& files) {
    boost::filesystem::create_directories(scratch_.path() / "src");
    std::ofstream manifest((scratch_.path() / "product.manifest").string());
    manifest << "# test product\n\n";
    std::size_t index = 0;
    for (const auto& [name, content] : files) {
      test::WriteFile(scratch_.path() / "src" / name, content);
      const int kind = KindOf(index);
      const char* destination = kind == 5 ? "<Temporary>" : "<InstallPath>\\Data";
      manifest << kind << " | " << destination << " | src/" << name << "\n";
      ++index;
    }
    return (scratch_.path() / "product.manifest").string();
  }

  void RoundTrip(const std::vector<std::pair<std::string, std::string>>& files) {
    const std::string archivePath = (scratch_.path() / "out.bz2").string();
    PackManifest(ReadManifest(MakeManifest(files)), archivePath);
    const ArchiveSummary summary = VerifyArchiveFile(archivePath);
    ASSERT_EQ(summary.records.size(), files.size());

    const std::string compressed = test::ReadFile(archivePath);
    EXPECT_EQ(compressed.substr(0, 4), "BZh9");
    PayloadArchive archive(ArchiveBytes{compressed.data(), compressed.size()});
    ASSERT_TRUE(archive.test());
    archive.rewind();
    const boost::filesystem::path target = scratch_.path() / "installed";
    std::size_t ends = 0;
    const bool extracted = archive.extract({PathText(target), L"", PathText(target / "temp")},
                                           [&](notification& n) {
                                             ends += n.index() == 3;
                                             return notification::proceed;
                                           });
    ASSERT_TRUE(extracted);
    EXPECT_EQ(ends, files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
      const auto& [name, content] = files[i];
      const boost::filesystem::path out = target / (KindOf(i) == 5 ? "temp" : "Data") / name;
      EXPECT_EQ(test::ReadFile(out), content) << name;
      EXPECT_EQ(summary.records[i].crc, test::Crc32(content)) << name;
      EXPECT_EQ(PathText(out.filename()), WideFromUtf8(name));
    }
  }

  test::ScratchFolder scratch_;
};

TEST_F(PackerRoundTrip, NoEntries) { RoundTrip({}); }

TEST_F(PackerRoundTrip, OneEntry) { RoundTrip({{"only.txt", "just one file"}}); }

TEST_F(PackerRoundTrip, ManyEntriesEmptyFilesAndNonAsciiNames) {
  std::vector<std::pair<std::string, std::string>> files = {
      {"empty-first.txt", ""}, {"Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC.txt", "non-ASCII"},
      {"\xF0\x9F\x93\x90 ruler.bin", std::string(5000, '\x01')}};
  std::uint32_t noise = 7;
  for (int i = 0; i < 40; ++i) {
    std::string content(static_cast<std::size_t>(i) * 977, '\0');
    for (char& c : content) c = static_cast<char>((noise = noise * 1103515245 + 12345) >> 16);
    files.push_back({"file" + std::to_string(i) + ".dat", content});
  }
  files.push_back({"empty-last.txt", ""});
  RoundTrip(files);
}

std::string PackError(const std::string& manifestText, const std::string& folder) {
  const std::string manifest = folder + "/bad.manifest";
  std::ofstream(manifest) << manifestText;
  try {
    PackManifest(ReadManifest(manifest), folder + "/bad.bz2");
  } catch (const std::runtime_error& error) {
    // Neither the output nor a temporary file of any name is left.
    for (const auto& item : boost::filesystem::directory_iterator(folder))
      EXPECT_EQ(item.path().filename().string().find("bad.bz2"), std::string::npos) << item.path();
    return error.what();
  }
  return "packed";
}

TEST(Packer, RefusesBadInputWithoutLeavingOutput) {
  test::ScratchFolder scratch;
  const std::string dir = scratch.path().string();
  test::WriteFile(scratch.path() / "ok.txt", "ok");
  EXPECT_EQ(PackError("0 | <InstallPath> | ok.txt\n", dir), "packed");
  boost::filesystem::remove(dir + "/bad.bz2");

  EXPECT_NE(PackError("0 | <InstallPath> | ok.txt\n0 | <InstallPath> | missing.txt\n", dir)
                .find("manifest line 2: cannot read source"), std::string::npos);
  EXPECT_NE(PackError("\n6 | <InstallPath> | ok.txt\n", dir).find("bad.manifest:2: kind \"6\""), std::string::npos);
  EXPECT_NE(PackError("0 |  | ok.txt\n", dir).find(":1: empty destination"), std::string::npos);
  EXPECT_NE(PackError("0 | <Installpath>\\X | ok.txt\n", dir).find(":1: unknown folder token <Installpath>"),
            std::string::npos);
  EXPECT_NE(PackError("# c\n0 <InstallPath> ok.txt\n", dir).find(":2: expected"), std::string::npos);
  EXPECT_NE(PackError("0 | <InstallPath> | dir/..\n", dir).find("names no file"), std::string::npos);
}

// True when packing `manifestText` fails with a message holding `part`.
bool Refuses(const std::string& manifestText, const std::string& folder, const std::string& part) {
  const std::string error = PackError(manifestText, folder);
  if (error.find(part) != std::string::npos) return true;
  ADD_FAILURE() << "\"" << manifestText << "\" gave \"" << error << "\", expected \"" << part << "\"";
  boost::filesystem::remove(folder + "/bad.bz2");
  return false;
}

TEST(Packer, RefusesTwoEntriesForOneFile) {
  test::ScratchFolder scratch;
  const std::string dir = scratch.path().string();
  boost::filesystem::create_directories(scratch.path() / "sub");
  test::WriteFile(scratch.path() / "a.txt", "a");
  test::WriteFile(scratch.path() / "sub" / "A.TXT", "A");
  Refuses("0 | <InstallPath> | a.txt\n0 | <InstallPath> | a.txt\n", dir, ":2: destination");
  Refuses("0 | <InstallPath> | a.txt\n#\n0 | <InstallPath> | a.txt\n", dir, "line 1");
  Refuses("0 | <InstallPath> | a.txt\n3 | <InstallPath>/ | sub/A.TXT\n", dir, "line 1");
  Refuses("0 | <CommonData>\\Q\\M | a.txt\n3 | <CommonData>/q//m\\ | sub/A.TXT\n", dir, "line 1");
  // Other folders, other tokens and other names are other files.
  EXPECT_EQ(PackError("0 | <InstallPath> | a.txt\n0 | <InstallPath>\\Lang | sub/A.TXT\n"
                      "5 | <Temporary> | a.txt\n0 | <InstallPath>\\a.txt | a.txt\n",
                      dir),
            "packed");
}

TEST(Packer, KindsKeepTheirPlaces) {
  test::ScratchFolder scratch;
  const std::string dir = scratch.path().string();
  test::WriteFile(scratch.path() / "a.txt", "a");
  test::WriteFile(scratch.path() / "b.txt", "b");
  Refuses("5 | <InstallPath> | a.txt\n", dir, ":1: kind 5");
  Refuses("5 | <Temporary>\\dx | a.txt\n", dir, ":1: kind 5");
  Refuses("0 | <Temporary> | a.txt\n", dir, ":1: only kind 5");
  Refuses("1 | <InstallPath> | a.txt\n1 | <InstallPath> | b.txt\n", dir, ":2: a second main program (kind 1): line 1");
  Refuses("2 | <InstallPath> | a.txt\n#\n2 | <InstallPath>\\U | b.txt\n", dir, ":3: a second uninstaller (kind 2): line 1");
  EXPECT_EQ(PackError("1 | <InstallPath> | a.txt\n2 | <InstallPath> | b.txt\n5 | <Temporary> | a.txt\n", dir),
            "packed");
  // An archive made otherwise is held to the same rules.
  const std::string path = (scratch.path() / "k.bz2").string();
  test::WriteFile(path, test::Bzip2(test::ArchiveBytes({{u"a.txt", u"<InstallPath>", "a", 5}})));
  EXPECT_THROW(VerifyArchiveFile(path), std::runtime_error);
  test::WriteFile(path, test::Bzip2(test::ArchiveBytes({{u"a.txt", u"<InstallPath>", "a", 1},
                                                        {u"b.txt", u"<InstallPath>", "b", 1}})));
  EXPECT_THROW(VerifyArchiveFile(path), std::runtime_error);
}

TEST(Packer, DestinationMustStartWithAToken) {
  test::ScratchFolder scratch;
  const std::string dir = scratch.path().string();
  test::WriteFile(scratch.path() / "ok.txt", "ok");
  for (const char* destination :
       {"\\<InstallPath>\\Lang", "/<InstallPath>", "Lang", "C:\\x", "C:", "\\\\server\\share",
        "x\\<InstallPath>", "<InstallPath>\\..\\..\\Windows", "<WinDir>\\.", "<InstallPath>\\..",
        "<Installpath>\\Lang"})
    Refuses(std::string("0 | ") + destination + " | ok.txt\n", dir, ":1: ");
  EXPECT_EQ(PackError("0 | <InstallPath>\\..x\\y.. z | ok.txt\n", dir), "packed");
}

TEST(Packer, RefusesNamesWindowsCannotCreate) {
  test::ScratchFolder scratch;
  const std::string dir = scratch.path().string();
  boost::filesystem::create_directories(scratch.path() / "src");
  test::WriteFile(scratch.path() / "ok.txt", "ok");
  const std::vector<std::string> bad = {
      "a<b", "a>b", "a\"b", "a|b", "a?b", "a*b", "tab\tin", "bell\x07", "end.", "end ",
      "CON", "con", "Prn.txt", "aux.tar.gz", "NUL", "nul.dat", "COM1", "com9.log", "LPT1", "lpt9.x"};
  for (const std::string& name : bad) {
    // A manifest field cannot hold '|' nor end in a space.
    if (name.find('|') != std::string::npos) continue;
    if (name.back() != ' ') {
      test::WriteFile(scratch.path() / "src" / name, "x");
      Refuses("0 | <InstallPath> | src/" + name + "\n", dir, ":1: ");
    }
      Refuses("0 | <InstallPath>\\" + name + "\\x | ok.txt\n", dir, ":1: ");
  }
  Refuses("0 | <InstallPath>\\a:b | ok.txt\n", dir, ":1: ");
  Refuses(std::string("0 | <InstallPath>\\a\0b | ok.txt\n", 31), dir, ":1: ");
  // Only whole device names are reserved.
  for (const char* name : {"CONSOLE.txt", "com10", "LPT", "auxiliary", "nul_", ".hidden"}) {
    test::WriteFile(scratch.path() / "src" / name, "x");
    EXPECT_EQ(PackError(std::string("0 | <InstallPath>\\") + name + " | src/" + name + "\n", dir),
              "packed") << name;
    boost::filesystem::remove(dir + "/bad.bz2");
  }
}

TEST(Packer, RefusesSourcesThatAreNoRegularFiles) {
  test::ScratchFolder scratch;
  const std::string dir = scratch.path().string();
  boost::filesystem::create_directories(scratch.path() / "folder");
  ASSERT_EQ(::mkfifo((dir + "/pipe").c_str(), 0600), 0);
  // Reading the pipe would wait for a writer forever; this must fail at once.
  Refuses("0 | <InstallPath> | pipe\n", dir, "manifest line 1: source");
  Refuses("0 | <InstallPath> | folder\n", dir, "manifest line 1: source");
  Refuses("0 | <InstallPath> | /dev/zero\n", dir, "manifest line 1: source");
}

TEST(Packer, LeavesAFileInTheTemporaryFilesWayAlone) {
  test::ScratchFolder scratch;
  const std::string dir = scratch.path().string();
  test::WriteFile(scratch.path() / "ok.txt", "ok");
  test::WriteFile(scratch.path() / "victim", "keep me");
  // Someone else's file where a fixed temporary name would be.
  ASSERT_EQ(::symlink((dir + "/victim").c_str(), (dir + "/out.bz2.partial").c_str()), 0);
  std::ofstream(dir + "/good.manifest") << "0 | <InstallPath> | ok.txt\n";
  PackManifest(ReadManifest(dir + "/good.manifest"), dir + "/out.bz2");
  EXPECT_EQ(test::ReadFile(scratch.path() / "victim"), "keep me");
  EXPECT_TRUE(boost::filesystem::is_symlink(dir + "/out.bz2.partial"));
  EXPECT_EQ(VerifyArchiveFile(dir + "/out.bz2").records.size(), 1u);
  std::size_t files = 0;
  for (boost::filesystem::directory_iterator i(dir), end; i != end; ++i) ++files;
  EXPECT_EQ(files, 5u);  // ok.txt, victim, the link, the manifest and the archive

  // A failure after the temporary file was made removes it.
  EXPECT_THROW(WriteArchive(dir + "/late.bz2", test::Records({{u"a", u"<InstallPath>", "abc", 0}}),
                            [](std::size_t, const auto& write) { write("ab", 2); }),
               std::runtime_error);
  files = 0;
  for (boost::filesystem::directory_iterator i(dir), end; i != end; ++i) ++files;
  EXPECT_EQ(files, 5u);
}

TEST(Packer, VerifyRefusesWhatTheInstallerRefuses) {
  test::ScratchFolder scratch;
  const std::string path = (scratch.path() / "a.bz2").string();
  const std::vector<std::vector<test::TestFile>> refused = {
      {{u"", u"<InstallPath>", "content", 0}},
      {{u"dir/..", u"<InstallPath>", "content", 0}},
      {{u"a.txt", std::u16string(u"<InstallPath>\\x\0y", 17), "content", 0}},
      {{u"a.txt", u"<Unknown>\\x", "content", 0}},
      {{u"a.txt", u"<InstallPath>", "", 0}, {u"a.txt", u"Lang", "content", 0}}};
  for (const auto& files : refused) {
    test::WriteFile(path, test::Bzip2(test::ArchiveBytes(files)));
    EXPECT_THROW(VerifyArchiveFile(path), std::runtime_error) << files.back().destination.size();
  }
  test::WriteFile(path, test::Bzip2(test::ArchiveBytes({{u"C:\\b\\a.txt", u"<UserData>\\Q", "x", 3}})));
  EXPECT_NO_THROW(VerifyArchiveFile(path));
}

TEST(Packer, VerifyFindsCorruption) {
  test::ScratchFolder scratch;
  const std::string path = (scratch.path() / "a.bz2").string();
  std::string bytes = test::ArchiveBytes({{u"a.txt", u"<InstallPath>", "content", 0}});
  bytes.back() ^= 1;
  test::WriteFile(path, test::Bzip2(bytes));
  EXPECT_THROW(VerifyArchiveFile(path), std::runtime_error);
  test::WriteFile(path, test::Bzip2(test::ArchiveBytes({{u"a.txt", u"<InstallPath>", "content", 0}}) + "x"));
  EXPECT_THROW(VerifyArchiveFile(path), std::runtime_error);
}

TEST(Packer, CommandLineExitCodes) {
  const std::string packer = QW_PAYLOAD_PACKER;
  EXPECT_EQ(std::system((packer + " --help > /dev/null").c_str()), 0);
  EXPECT_NE(std::system((packer + " verify /nonexistent 2> /dev/null").c_str()), 0);
  EXPECT_NE(std::system((packer + " bogus 2> /dev/null").c_str()), 0);
}

}  // namespace
}  // namespace qw
