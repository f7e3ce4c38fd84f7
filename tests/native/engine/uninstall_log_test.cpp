// The uninstall log's line format and its reader, natively.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "engine/uninstall_log_format.h"
#include "engine/uninstall_log_parser.h"
#include "tests/common/journal_entries.h"
#include "utf16le_bytes.h"

namespace qw {
namespace {

using test::DoneEntry;
using test::NotDoneEntry;

// Reads `bytes` as a log file; folders in `folders` exist.
PreviousInstallation Read(const std::string& bytes, std::set<std::wstring> folders = {}) {
  std::size_t offset = 0;
  LogSource source;
  source.read = [&](std::uint8_t* buffer, std::size_t size) {
    const std::size_t n = std::min(size, bytes.size() - offset);
    std::memcpy(buffer, bytes.data() + offset, n);
    offset += n;
    return n;
  };
  source.decodeAnsi = [](const std::string& narrow) {
    std::wstring wide;
    for (char c : narrow) wide.push_back(static_cast<unsigned char>(c));  // Latin-1
    return wide;
  };
  source.isFolder = [folders](const std::wstring& path) { return folders.count(path) != 0; };
  PreviousInstallation previous;
  ParseUninstallLog(source, previous);
  return previous;
}

std::string Utf16Log(const std::wstring& text) { return "\xFF\xFE" + test::Utf16LeBytes(text); }

std::wstring Header(const std::wstring& startMenu = L"C:\\S", const std::wstring& previous = L"") {
  return FormatLogHeader(L"Meridel 6.07c", L"C:\\P", startMenu, previous);
}

TEST(UninstallLogFormat, HeaderLines) {
  EXPECT_EQ(Header(),
            L"// Uninstall Log File v1\r\n"
            L"// ############ WARNING: Do not delete or modify this file. ############\r\n"
            L"// Install Meridel 6.07c\r\n"
            L"// Install Path : C:\\P\r\n"
            L"// Shortcut Path : C:\\S\r\n"
            L"// --------------------\r\n");
  const std::wstring update = Header(L"C:\\S", L"Meridel 6.05");
  EXPECT_NE(update.find(L"// Install Meridel 6.07c -- Update (Meridel 6.05)\r\n"), std::wstring::npos);
  const std::wstring empty = Header(L"");
  EXPECT_NE(empty.find(L"// Shortcut Path : \r\n// ----------------\r\n"), std::wstring::npos);
}

TEST(UninstallLogFormat, EntryLines) {
  EXPECT_EQ(FormatLogEntryLine(0, DoneEntry(JournalEntryKind::File, L"C:\\a.txt", 3)),
            L"0000:0103:1 -- C:\\a.txt\r\n");
  EXPECT_EQ(FormatLogEntryLine(41, NotDoneEntry(JournalEntryKind::Folder, L"C:\\P")),
            L"0041:00ff:0 -- C:\\P\r\n");
  EXPECT_EQ(FormatLogEntryLine(10000, DoneEntry(JournalEntryKind::DirectXSetup, L"x")),
            L"10000:07ff:1 -- x\r\n");
  EXPECT_EQ(FormatLogEntryLine(7, NotDoneEntry(JournalEntryKind::ProgramShortcut, L"")),
            L"0007:02ff:0 -- \r\n");
}

TEST(UninstallLogFormat, Utf16LittleEndian) {
  EXPECT_EQ(test::Utf16LeBytes(L"A\u00e9\u4e2d"), std::string("A\0\xe9\0\x2d\x4e", 6));
}

TEST(UninstallLogReader, ReadsHeaderAndEntries) {
  const std::wstring text =
      Header(L"C:\\S", L"Meridel 6.05") +
      FormatLogEntryLine(0, DoneEntry(JournalEntryKind::Folder, L"C:\\P")) +
      FormatLogEntryLine(1, DoneEntry(JournalEntryKind::File, L"C:\\P\\a b.dll", 3)) +
      FormatLogEntryLine(2, NotDoneEntry(JournalEntryKind::ProgramShortcut, L"")) +
      L"0003:05ff:1 -- HKEY_LOCAL_MACHINE\\Software\\x\r\n"
      L"0004:06ff:0 -- HKEY_CLASSES_ROOT\\...\r\n";
  const PreviousInstallation read = Read(Utf16Log(text), {L"C:\\P", L"C:\\S"});
  EXPECT_EQ(read.installFolder, L"C:\\P");
  EXPECT_EQ(read.startMenuFolder, L"C:\\S");
  EXPECT_EQ(read.productText, L"Meridel 6.07c");  // the installation that wrote it
  ASSERT_EQ(read.entries.size(), 5u);
  auto it = read.entries.begin();
  EXPECT_EQ(it->kind, JournalEntryKind::Folder);
  EXPECT_EQ(it->value, -1);
  EXPECT_TRUE(it->done);
  ++it;
  EXPECT_EQ(it->path, L"C:\\P\\a b.dll");
  EXPECT_EQ(it->value, 3);
  ++it;
  EXPECT_EQ(it->kind, JournalEntryKind::ProgramShortcut);
  EXPECT_TRUE(it->path.empty());
  EXPECT_FALSE(it->done);
  ++it;
  EXPECT_EQ(it->kind, JournalEntryKind::UninstallKey);
  EXPECT_TRUE(it->path.empty());
  ++it;
  EXPECT_EQ(it->kind, JournalEntryKind::SelfRegistration);
  EXPECT_TRUE(it->path.empty());
}

TEST(UninstallLogReader, EightBitLogReadLikeUtf16) {
  const std::wstring text = Header() + FormatLogEntryLine(0, DoneEntry(JournalEntryKind::File, L"C:\\P\\\u00e9.txt", 1));
  std::string narrow;
  for (wchar_t c : text) narrow.push_back(static_cast<char>(c));  // every character below 256
  const PreviousInstallation a = Read(narrow, {L"C:\\P"});
  const PreviousInstallation b = Read(Utf16Log(text), {L"C:\\P"});
  EXPECT_EQ(a.installFolder, L"C:\\P");
  ASSERT_EQ(a.entries.size(), 1u);
  EXPECT_EQ(a.entries.front().path, L"C:\\P\\\u00e9.txt");
  EXPECT_EQ(a.entries.front().path, b.entries.front().path);
  EXPECT_EQ(a.productText, b.productText);
}

TEST(UninstallLogReader, OtherVersionsYieldNothing) {
  std::wstring text = Header() + FormatLogEntryLine(0, DoneEntry(JournalEntryKind::File, L"C:\\a", 1));
  for (const wchar_t* first : {L"// Uninstall Log File v2", L"// Uninstall Log File", L"// Uninstall Log File vx"}) {
    std::wstring changed = text;
    changed.replace(0, changed.find(L'\r'), first);
    const PreviousInstallation read = Read(Utf16Log(changed), {L"C:\\P", L"C:\\S"});
    EXPECT_TRUE(read.installFolder.empty()) << first;
    EXPECT_TRUE(read.productText.empty()) << first;
    EXPECT_TRUE(read.entries.empty()) << first;
  }
  // No header at all: an entry line cannot come before the version.
  EXPECT_TRUE(Read(Utf16Log(L"0000:0101:1 -- C:\\a\r\n")).entries.empty());
}

TEST(UninstallLogReader, BadLineEndsReadingKeepingWhatCameBefore) {
  const std::wstring good = Header() + FormatLogEntryLine(0, DoneEntry(JournalEntryKind::File, L"C:\\a", 1));
  const std::wstring after = FormatLogEntryLine(2, DoneEntry(JournalEntryKind::File, L"C:\\b", 1));
  for (const wchar_t* bad : {L"0001:08ff:1 -- C:\\x", L"-001:0100:1 -- C:\\x", L"0001:0100:2 -- C:\\x",
                             L"0001;0100:1 -- C:\\x", L"0001:0100:1 - C:\\x", L"0001:0100:1 --C:\\x",
                             L"0001:zz:1 -- C:\\x", L"", L"0001:0100:1"}) {
    const PreviousInstallation read = Read(Utf16Log(good + bad + L"\r\n" + after));
    ASSERT_EQ(read.entries.size(), 1u) << bad;
    EXPECT_EQ(read.entries.front().path, L"C:\\a");
  }
}

TEST(UninstallLogReader, WhiteSpaceBeforeFieldsAndUpperCaseHex) {
  const PreviousInstallation read = Read(Utf16Log(Header() + L"  12 :\t00FF : 1   --   C:\\f  \r\n"));
  ASSERT_EQ(read.entries.size(), 1u);
  EXPECT_EQ(read.entries.front().kind, JournalEntryKind::Folder);
  EXPECT_EQ(read.entries.front().path, L"C:\\f");
  EXPECT_EQ(read.entries.front().value, -1);
}

TEST(UninstallLogReader, MissingFoldersAreNotTakenOverButEntriesAre) {
  const std::wstring text = Header() + FormatLogEntryLine(0, DoneEntry(JournalEntryKind::File, L"C:\\a", 1));
  const PreviousInstallation read = Read(Utf16Log(text));
  EXPECT_TRUE(read.installFolder.empty());
  EXPECT_TRUE(read.startMenuFolder.empty());
  EXPECT_EQ(read.entries.size(), 1u);
}

TEST(UninstallLogReader, EmptyStartMenuFolder) {
  const std::wstring text = Header(L"") + FormatLogEntryLine(0, DoneEntry(JournalEntryKind::File, L"C:\\a", 1)) +
                            FormatLogEntryLine(1, DoneEntry(JournalEntryKind::DesktopShortcut, L"C:\\d.lnk"));
  const PreviousInstallation read = Read(Utf16Log(text), {L"C:\\P", L""});
  EXPECT_EQ(read.installFolder, L"C:\\P");
  EXPECT_TRUE(read.startMenuFolder.empty());
  EXPECT_EQ(read.entries.size(), 2u);
}

TEST(UninstallLogReader, MissingHeaderMarkersStopReading) {
  std::wstring text = Header() + FormatLogEntryLine(0, DoneEntry(JournalEntryKind::File, L"C:\\a", 1));
  std::wstring noInstall = text;
  noInstall.replace(noInstall.find(L"Install Meridel"), 7, L"Setup  ");
  EXPECT_TRUE(Read(Utf16Log(noInstall)).entries.empty());
  std::wstring noPath = text;
  noPath.replace(noPath.find(L"Install Path"), 7, L"Folder ");
  EXPECT_TRUE(Read(Utf16Log(noPath), {L"C:\\P"}).entries.empty());
}

TEST(UninstallLogReader, LinesLongerThanTheBufferEndReading) {
  const std::wstring header = Header();
  // Entry lines of exactly 509 characters before CR LF are read; 510 are not.
  const std::wstring prefix = L"0000:0101:1 -- C:\\";
  const std::wstring fits = prefix + std::wstring(509 - prefix.size(), L'a');
  const std::wstring tooLong = prefix + std::wstring(510 - prefix.size(), L'b');
  PreviousInstallation read = Read(Utf16Log(header + fits + L"\r\n" + tooLong + L"\r\n" + fits + L"\r\n"));
  ASSERT_EQ(read.entries.size(), 1u);
  EXPECT_EQ(read.entries.front().path.size(), 509 - prefix.size() + 3);
  // Without a final line feed the CR LF's room is free: 511 characters fit.
  EXPECT_EQ(Read(Utf16Log(header + tooLong + L"c")).entries.size(), 1u);
  EXPECT_EQ(Read(Utf16Log(header + tooLong + L"cc")).entries.size(), 0u);

  // 8-bit: 1,021 characters.
  const std::string narrowHeader(header.begin(), header.end());
  const std::string narrowPrefix = "0000:0101:1 -- C:\\";
  const std::string fits8 = narrowPrefix + std::string(1021 - narrowPrefix.size(), 'a');
  const std::string long8 = narrowPrefix + std::string(1022 - narrowPrefix.size(), 'a');
  EXPECT_EQ(Read(narrowHeader + fits8 + "\r\n").entries.size(), 1u);
  EXPECT_EQ(Read(narrowHeader + long8 + "\r\n").entries.size(), 0u);

  // The first line shares its buffer with the byte order mark: 508 characters.
  const std::wstring first = L"// Uninstall Log File v1";
  const std::wstring rest = header.substr(header.find(L'\n') + 1) + fits + L"\r\n";
  EXPECT_EQ(Read(Utf16Log(first + std::wstring(508 - first.size(), L' ') + L"\r\n" + rest)).entries.size(), 1u);
  EXPECT_EQ(Read(Utf16Log(first + std::wstring(509 - first.size(), L' ') + L"\r\n" + rest)).entries.size(), 0u);
}

TEST(UninstallLogReader, EmptyAndTruncatedFiles) {
  EXPECT_TRUE(Read("").entries.empty());
  EXPECT_TRUE(Read("\xFF").entries.empty());
  EXPECT_TRUE(Read("\xFF\xFE").entries.empty());
  // A final odd byte of a UTF-16 file is ignored.
  const std::wstring text = Header() + L"0000:0101:1 -- C:\\a";
  EXPECT_EQ(Read(Utf16Log(text) + "x").entries.size(), 1u);
}

TEST(UninstallLogReader, ManyEntriesRoundTrip) {
  std::wstring text = Header();
  for (std::uint32_t i = 0; i <= 10000; ++i) {
    const std::wstring path = L"C:\\f" + std::to_wstring(i);
    text += FormatLogEntryLine(i, i % 2 == 0 ? DoneEntry(JournalEntryKind::File, path, 4)
                                             : NotDoneEntry(JournalEntryKind::File, path, 4));
  }
  const PreviousInstallation read = Read(Utf16Log(text));
  ASSERT_EQ(read.entries.size(), 10001u);
  EXPECT_EQ(read.entries.back().path, L"C:\\f10000");
  EXPECT_TRUE(read.entries.back().done);
  EXPECT_EQ(read.entries.back().value, 4);
}

}  // namespace
}  // namespace qw
