// What the packer makes, the reader reads back: byte for byte and CRC for
// CRC, for archives of no, one and many entries, with empty files and
// non-ASCII names; and the packer's refusals.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "payload/bzip2_stream_starts.h"
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

// Larger archives are streams of 899,000 bytes of input each, one after
// the other: one bzip2 file to bzip2 itself, and the same files to the
// reader on one thread (from a stream) and on several (from memory).
TEST_F(PackerRoundTrip, LargeArchivesAreConcatenatedStreams) {
  std::vector<std::pair<std::string, std::string>> files;
  std::uint32_t noise = 11;
  for (int i = 0; i < 3; ++i) {
    std::string content(1000000 + static_cast<std::size_t>(i) * 12345, '\0');
    for (char& c : content) c = static_cast<char>((noise = noise * 1103515245 + 12345) >> 16);
    files.push_back({"big" + std::to_string(i) + ".dat", content});
  }
  RoundTrip(files);
  const std::string archivePath = (scratch_.path() / "out.bz2").string();
  const std::string compressed = test::ReadFile(archivePath);
  const std::vector<std::size_t> starts = FindBzip2StreamStarts(compressed.data(), compressed.size());
  ASSERT_EQ(starts.size(), 4u);  // 3,037,035 bytes and a header, in 899,000-byte streams
  for (std::size_t i = 0; i + 1 < starts.size(); ++i) {
    const std::string stream = compressed.substr(starts[i], starts[i + 1] - starts[i]);
    std::istringstream in(stream);
    PayloadArchive one(in);
    EXPECT_TRUE(one.test()) << "stream " << i << " is a whole bzip2 stream";
  }
  std::istringstream whole(compressed);
  EXPECT_TRUE(PayloadArchive(whole).test());
  if (::access("/usr/bin/bzip2", X_OK) == 0) {
    EXPECT_EQ(std::system(("/usr/bin/bzip2 -tq '" + archivePath + "'").c_str()), 0) << "bzip2 -t accepts it";
  } else {
    std::printf("probe: no /usr/bin/bzip2 here; bzip2 -t not run\n");
  }
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

// Why verify refuses the archive file at `path`, or "verified".
std::string VerifyError(const std::string& path) {
  try {
    VerifyArchiveFile(path);
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "verified";
}

// True when verify refuses an archive of `files` with a message holding
// `part`.
bool VerifyRefuses(const std::vector<test::TestFile>& files, const std::string& folder,
                   const std::string& part) {
  const std::string path = folder + "/verify.bz2";
  test::WriteFile(path, test::Bzip2(test::ArchiveBytes(files)));
  const std::string error = VerifyError(path);
  if (error.find(part) != std::string::npos) return true;
  ADD_FAILURE() << "verify gave \"" << error << "\", expected \"" << part << "\"";
  return false;
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
  Refuses("0 | <InstallPath> | a.txt\n#\n0 | <InstallPath> | a.txt\n", dir, ":3: destination <InstallPath>\\a.txt repeats line 1");
  Refuses("0 | <InstallPath> | a.txt\n3 | <InstallPath>/ | sub/A.TXT\n", dir, ":2: destination <InstallPath>/\\A.TXT repeats line 1");
  Refuses("0 | <CommonData>\\Q\\M | a.txt\n3 | <CommonData>/q//m\\ | sub/A.TXT\n", dir, "repeats line 1");
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
  VerifyRefuses({{u"a.txt", u"<InstallPath>", "a", 5}}, dir, "entry 0: kind 5 (deleted after the installation)");
  VerifyRefuses({{u"a.txt", u"<Temporary>", "a", 0}}, dir, "entry 0: only kind 5 may go to <Temporary>");
  VerifyRefuses({{u"a.txt", u"<InstallPath>", "a", 1}, {u"b.txt", u"<InstallPath>", "b", 1}}, dir,
                "entry 1: a second main program (kind 1): entry 0 has one");
  VerifyRefuses({{u"a.txt", u"<InstallPath>", "a", 2}, {u"b.txt", u"<InstallPath>", "b", 2}}, dir,
                "entry 1: a second uninstaller (kind 2): entry 0 has one");
}

TEST(Packer, VerifyRefusesKindsTheInstallerDoesNotKnow) {
  test::ScratchFolder scratch;
  const std::string dir = scratch.path().string();
  for (std::uint32_t kind : {6u, 99u, 0xFFFFFFFFu})
    VerifyRefuses({{u"ok.txt", u"<InstallPath>", "ok", 0}, {u"a.txt", u"<InstallPath>", "a", kind}}, dir,
                  "entry 1: kind " + std::to_string(kind) + " is not one of 0 to 5");
  for (std::uint32_t kind : {0u, 1u, 2u, 3u, 4u}) {
    test::WriteFile(dir + "/k.bz2", test::Bzip2(test::ArchiveBytes({{u"a.txt", u"<InstallPath>", "a", kind}})));
    EXPECT_EQ(VerifyError(dir + "/k.bz2"), "verified") << kind;
  }
}

TEST(Packer, DestinationMustStartWithAToken) {
  test::ScratchFolder scratch;
  const std::string dir = scratch.path().string();
  test::WriteFile(scratch.path() / "ok.txt", "ok");
  const std::string noToken = " does not start with a folder token";
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"\\<InstallPath>\\Lang", "destination \\<InstallPath>\\Lang" + noToken},
      {"/<InstallPath>", "destination /<InstallPath>" + noToken},
      {"Lang", "destination Lang" + noToken},
      {"C:\\x", "destination C:\\x" + noToken},
      {"C:", "destination C:" + noToken},
      {"\\\\server\\share", "destination \\\\server\\share" + noToken},
      {"x\\<InstallPath>", "destination x\\<InstallPath>" + noToken},
      {"<InstallPath>\\..\\..\\Windows", "destination <InstallPath>\\..\\..\\Windows holds \"..\""},
      {"<WinDir>\\.", "destination <WinDir>\\. holds \".\""},
      {"<InstallPath>\\..", "destination <InstallPath>\\.. holds \"..\""},
      {"<Installpath>\\Lang", "unknown folder token <Installpath>"}};
  for (const auto& [destination, reason] : refused)
    Refuses("0 | " + destination + " | ok.txt\n", dir, ":1: " + reason);
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
  // The reason each name is refused for.
  const auto reason = [](const std::string& name) -> std::string {
    if (name.find_first_of("\t\x07") != std::string::npos) return " holds a control character";
    if (name.find_first_of("<>\"|?*") != std::string::npos) return " holds one of <>:\"|?*";
    if (name.back() == '.' || name.back() == ' ') return " ends in a dot or space";
    return " is a reserved device name";
  };
  const auto shown = [](std::string name) {
    for (char& c : name) c = static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    return "\"" + name + "\"";
  };
  for (const std::string& name : bad) {
    // A manifest field cannot hold '|' nor end in a space.
    if (name.find('|') != std::string::npos) continue;
    if (name.back() != ' ') {
      test::WriteFile(scratch.path() / "src" / name, "x");
      Refuses("0 | <InstallPath> | src/" + name + "\n", dir, ":1: source file name " + shown(name) + reason(name));
    }
    Refuses("0 | <InstallPath>\\" + name + "\\x | ok.txt\n", dir,
            ":1: destination folder " + shown(name) + reason(name));
  }
  Refuses("0 | <InstallPath>\\a:b | ok.txt\n", dir, ":1: destination folder \"a:b\" holds one of <>:\"|?*");
  Refuses(std::string("0 | <InstallPath>\\a\0b | ok.txt\n", 31), dir,
          ":1: destination folder \"a?b\" holds a control character");
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
  Refuses("0 | <InstallPath> | pipe\n", dir, "manifest line 1: source " + dir + "/pipe is not a regular file");
  Refuses("0 | <InstallPath> | folder\n", dir, "manifest line 1: source " + dir + "/folder is not a regular file");
  Refuses("0 | <InstallPath> | /dev/zero\n", dir, "manifest line 1: source /dev/zero is not a regular file");
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
  std::string late = "written";
  try {
    WriteArchive(dir + "/late.bz2", test::Records({{u"a", u"<InstallPath>", "abc", 0}}),
                 [](std::size_t, const auto& write) { write("ab", 2); });
  } catch (const std::runtime_error& error) {
    late = error.what();
  }
  EXPECT_EQ(late, "entry 0 changed size while packing");
  files = 0;
  for (boost::filesystem::directory_iterator i(dir), end; i != end; ++i) ++files;
  EXPECT_EQ(files, 5u);
}

TEST(Packer, VerifyRefusesWhatTheInstallerRefuses) {
  test::ScratchFolder scratch;
  const std::string path = (scratch.path() / "a.bz2").string();
  const std::string dir = scratch.path().string();
  VerifyRefuses({{u"", u"<InstallPath>", "content", 0}}, dir, "entry 0: the source names no file");
  VerifyRefuses({{u"dir/..", u"<InstallPath>", "content", 0}}, dir, "entry 0: the source names no file");
  VerifyRefuses({{u"a.txt", std::u16string(u"<InstallPath>\\x\0y", 17), "content", 0}}, dir,
                "entry 0: the destination holds a NUL");
  VerifyRefuses({{u"a.txt", u"<Unknown>\\x", "content", 0}}, dir, "entry 0: unknown folder token <Unknown>");
  // A later entry is checked as well as the first, also after an empty file.
  VerifyRefuses({{u"a.txt", u"<InstallPath>", "", 0}, {u"a.txt", u"Lang", "content", 0}}, dir,
                "entry 1: destination Lang does not start with a folder token");
  VerifyRefuses({{u"a.txt", u"<InstallPath>", "", 0}, {u"A.TXT", u"<InstallPath>\\", "content", 0}}, dir,
                "entry 1: destination <InstallPath>\\\\A.TXT repeats entry 0");
  VerifyRefuses({{u"a<b.txt", u"<InstallPath>", "content", 0}}, dir,
                "entry 0: source file name \"a<b.txt\" holds one of");
  test::WriteFile(path, test::Bzip2(test::ArchiveBytes({{u"C:\\b\\a.txt", u"<UserData>\\Q", "x", 3}})));
  EXPECT_NO_THROW(VerifyArchiveFile(path));
}

TEST(Packer, VerifyFindsCorruption) {
  test::ScratchFolder scratch;
  const std::string path = (scratch.path() / "a.bz2").string();
  std::string bytes = test::ArchiveBytes({{u"a.txt", u"<InstallPath>", "content", 0}});
  bytes.back() ^= 1;
  test::WriteFile(path, test::Bzip2(bytes));
  EXPECT_EQ(VerifyError(path), "entry 0: CRC-32 mismatch");
  test::WriteFile(path, test::Bzip2(test::ArchiveBytes({{u"a.txt", u"<InstallPath>", "content", 0}}) + "x"));
  EXPECT_EQ(VerifyError(path), "data follows the last entry");
  test::WriteFile(path, test::Bzip2(bytes.substr(0, bytes.size() - 1)));
  EXPECT_EQ(VerifyError(path), "the archive ends inside entry 0");
  test::WriteFile(path, "BZh9 not bzip2");
  EXPECT_EQ(VerifyError(path).find("not a sound bzip2 stream"), 0u) << VerifyError(path);
}

// Exit status of `command` run by the shell, with its standard output and
// error in `output`.
int RunPacker(const std::string& arguments, const std::string& folder, std::string& output) {
  const std::string file = folder + "/packer-output.txt";
  const int status = std::system((std::string(QW_PAYLOAD_PACKER) + " " + arguments + " > " + file + " 2>&1").c_str());
  output = test::ReadFile(file);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Packer, CommandLineExitCodes) {
  test::ScratchFolder scratch;
  const std::string dir = scratch.path().string();
  std::string output;
  EXPECT_EQ(RunPacker("--help", dir, output), 0);
  EXPECT_EQ(output.find("usage: payload_packer pack MANIFEST OUTPUT"), 0u);
  EXPECT_EQ(RunPacker("verify /nonexistent", dir, output), 1);
  EXPECT_EQ(output, "payload_packer: cannot read /nonexistent\n");
  EXPECT_EQ(RunPacker("bogus", dir, output), 2);
  EXPECT_EQ(output, "payload_packer: wrong arguments; see payload_packer --help\n");

  // verify says why it refuses, and never that every CRC-32 matches.
  test::WriteFile(dir + "/k.bz2", test::Bzip2(test::ArchiveBytes({{u"a.txt", u"<InstallPath>", "a", 99}})));
  EXPECT_EQ(RunPacker("verify " + dir + "/k.bz2", dir, output), 1);
  EXPECT_EQ(output, "payload_packer: entry 0: kind 99 is not one of 0 to 5\n");
  test::WriteFile(dir + "/k.bz2", test::Bzip2(test::ArchiveBytes({{u"a.txt", u"<InstallPath>", "a", 4}})));
  EXPECT_EQ(RunPacker("verify " + dir + "/k.bz2", dir, output), 0);
  EXPECT_NE(output.find(": 1 entries, data offset "), std::string::npos) << output;
  EXPECT_NE(output.find("every CRC-32 matches"), std::string::npos) << output;
}

}  // namespace
}  // namespace qw
