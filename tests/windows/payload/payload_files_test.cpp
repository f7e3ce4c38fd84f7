// The reader's file handling on Windows: sharing while a file is written,
// read-only files replaced, the CRC read-back retried on a sharing
// violation, the operating-system error of a full disk, and the system
// folders behind the placeholders.

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <string>

#include "payload/compress_error.h"
#include "payload/file_crc.h"
#include "payload/folder_placeholder.h"
#include "payload/payload_archive.h"
#include "payload/payload_format.h"
#include "payload/special_folder.h"
#include "platform/handles.h"

#include <boost/crc.hpp>
#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/iostreams/filtering_stream.hpp>
#include <fstream>
#include <sstream>

namespace qw {
namespace {

std::uint32_t Crc(const std::string& bytes) {
  boost::crc_32_type crc;
  crc.process_bytes(bytes.data(), bytes.size());
  return crc.checksum();
}

// The compressed archive of one file `name` with `content` in `folder`.
std::string OneFileArchive(const std::wstring& folder, const std::wstring& name, const std::string& content) {
  const std::u16string source(name.begin(), name.end()), destination(folder.begin(), folder.end());
  std::string bytes = EncodeHeader({{source, destination, 0, content.size(), Crc(content)}}) + content;
  std::stringstream compressed;
  {
    boost::iostreams::filtering_ostream out;
    out.push(boost::iostreams::bzip2_compressor());
    out.push(compressed);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  return compressed.str();
}

class ScratchFolder {
 public:
  explicit ScratchFolder(const wchar_t* name) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    path_ = boost::filesystem::path(temp) / name;
    boost::system::error_code ignored;
    boost::filesystem::remove_all(path_, ignored);
    boost::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    boost::system::error_code ignored;
    for (boost::filesystem::recursive_directory_iterator it(path_, ignored), end; it != end; it.increment(ignored))
      ::SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
    boost::filesystem::remove_all(path_, ignored);
  }
  const boost::filesystem::path& path() const { return path_; }

 private:
  boost::filesystem::path path_;
};

UniqueFile Open(const boost::filesystem::path& path, DWORD access, DWORD share) {
  return UniqueFile(::CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr));
}

TEST(PayloadFiles, FileBeingWrittenIsReadableButNotWritableByOthers) {
  ScratchFolder scratch(L"qw-payload-sharing");
  const std::string content(20000, 'm');
  const std::string archiveBytes = OneFileArchive(scratch.path().wstring(), L"shared.bin", content);
  PayloadArchive archive(ArchiveBytes{archiveBytes.data(), archiveBytes.size()});
  const boost::filesystem::path file = scratch.path() / L"shared.bin";
  int checks = 0;
  const bool extracted = archive.extract({L"", L"", L""}, [&](notification& n) {
    if (n.index() == 4 && std::get<notification::progress>(n.value).done < content.size() && checks == 0 &&
        boost::filesystem::exists(file)) {
      ++checks;
      const UniqueFile writer = Open(file, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
      EXPECT_FALSE(writer);
      EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
      const UniqueFile reader = Open(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
      EXPECT_TRUE(reader) << "error " << ::GetLastError();
    }
    return notification::proceed;
  });
  EXPECT_TRUE(extracted);
  EXPECT_EQ(checks, 1);
}

TEST(PayloadFiles, ReadOnlyDestinationIsReplaced) {
  ScratchFolder scratch(L"qw-payload-readonly");
  const boost::filesystem::path file = scratch.path() / L"Sub" / L"locked.txt";
  boost::filesystem::create_directories(file.parent_path());
  { std::ofstream(file.string()) << "old and longer content"; }
  ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
  const std::string archiveBytes = OneFileArchive(L"<InstallPath>\\Sub", L"locked.txt", "new");
  PayloadArchive archive(ArchiveBytes{archiveBytes.data(), archiveBytes.size()});
  EXPECT_TRUE(archive.extract({scratch.path().wstring(), L"", L""}, [](notification&) { return notification::proceed; }));
  std::ifstream in(file.string());
  std::string text;
  std::getline(in, text);
  EXPECT_EQ(text, "new");
}

TEST(PayloadFiles, CrcReadBackRetriesWhileAnotherProcessHoldsTheFile) {
  ScratchFolder scratch(L"qw-payload-retry");
  const boost::filesystem::path file = scratch.path() / L"held.bin";
  { std::ofstream(file.string(), std::ios::binary) << "held content"; }

  // A holder that refuses readers, as a scanner that opened the new file might.
  UniqueFile holder(::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder);
  int pauses = 0;
  EXPECT_EQ(StoredFileCrc32(file, [&] {
              if (++pauses == 2) holder.reset();
            }),
            Crc("held content"));
  EXPECT_EQ(pauses, 2);

  holder.reset(::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  pauses = 0;
  try {
    StoredFileCrc32(file, [&] { ++pauses; });
    ADD_FAILURE() << "no error";
  } catch (const boost::filesystem::filesystem_error& error) {
    EXPECT_EQ(error.code().value(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(error.path1(), file);
  }
  EXPECT_EQ(pauses, 3) << "three repeats after the first attempt";
}

TEST(PayloadFiles, FullDiskReportsOperatingSystemError112) {
  // Drive Q: is a 256 KiB tmpfs that the Wine session mounts when it can
  // (it needs root).
  if (::GetFileAttributesW(L"Q:\\qw-small-disk") == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "probe: GetFileAttributesW(Q:\\qw-small-disk) failed with " << ::GetLastError()
                 << ": no small disk as drive Q: (the session mounts its tmpfs only as root)";
  }
  std::string content(600 * 1024, '\0');
  std::uint32_t noise = 1;
  for (char& c : content) c = static_cast<char>((noise = noise * 1664525u + 1013904223u) >> 24);
  const std::string archiveBytes = OneFileArchive(L"<InstallPath>", L"too-big.bin", content);
  PayloadArchive archive(ArchiveBytes{archiveBytes.data(), archiveBytes.size()});
  std::error_code failure;
  std::wstring text;
  EXPECT_FALSE(archive.extract({L"Q:\\qw-full-disk-test", L"", L""}, [&](notification& n) {
    if (n.index() == 5) {
      failure = std::get<notification::failure>(n.value).code;
      text = std::get<notification::failure>(n.value).text;
    }
    return notification::proceed;
  }));
  boost::system::error_code ignored;
  boost::filesystem::remove_all(L"Q:\\qw-full-disk-test", ignored);
  EXPECT_EQ(failure.category(), std::system_category());
  EXPECT_EQ(failure.value(), ERROR_DISK_FULL);
  EXPECT_EQ(text, L"Q:\\qw-full-disk-test\\too-big.bin");
}

std::wstring Shell(int csidl) {
  wchar_t path[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

TEST(PayloadPlaceholders, SystemFoldersComeFromTheShell) {
  const PlaceholderFolders folders{L"C:\\Inst", L"Meridel Examples", L"C:\\Tmp\\q"};
  EXPECT_EQ(ResolvePlaceholder(L"<CommonData>\\Quillon Works\\Meridel 6", folders).wstring(),
            Shell(CSIDL_COMMON_APPDATA) + L"\\Quillon Works\\Meridel 6");
  EXPECT_EQ(ResolvePlaceholder(L"<UserData>\\Quillon Works", folders).wstring(), Shell(CSIDL_APPDATA) + L"\\Quillon Works");
  EXPECT_EQ(ResolvePlaceholder(L"<SamplePath>", folders).wstring(),
            Shell(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Meridel Examples");
  EXPECT_EQ(ResolvePlaceholder(L"<ProgramFiles>", folders).wstring(), Shell(CSIDL_PROGRAM_FILES));
  EXPECT_EQ(ResolvePlaceholder(L"<System>", folders).wstring(), Shell(CSIDL_SYSTEM));
  EXPECT_EQ(ResolvePlaceholder(L"<Temporary>\\dx", folders).wstring(), L"C:\\Tmp\\q\\dx");
  EXPECT_EQ(ResolvePlaceholder(L"C:\\Program Files\\X", folders).wstring(), L"C:\\Program Files\\X");
  for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILES_COMMON, CSIDL_COMMON_APPDATA, CSIDL_APPDATA,
                    CSIDL_COMMON_DOCUMENTS, CSIDL_PERSONAL, CSIDL_COMMON_DESKTOPDIRECTORY,
                    CSIDL_DESKTOPDIRECTORY, CSIDL_WINDOWS, CSIDL_SYSTEM})
    EXPECT_EQ(SpecialFolderPath(csidl), Shell(csidl)) << csidl;
  const PlaceholderFolders absolute{L"C:\\Inst", L"D:\\Samples", L""};
  EXPECT_EQ(ResolvePlaceholder(L"<SamplePath>", absolute).wstring(), L"D:\\Samples");
}

}  // namespace
}  // namespace qw
