// Machine snapshots reuse the hash of a file whose stamp (size, write time,
// change time, file id) is unchanged: a change that keeps the size and puts the
// write time back must still show, and so must a file put in place of
// another by a rename and a value given other data of the same length. The
// store of remembered hashes survives a torn write as an empty cache. The
// registry read from one dump equals the registry read key by key.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "file_hash_cache.h"
#include "machine_snapshot.h"
#include "platform/handles.h"
#include "registry_snapshot.h"
#include "scratch_folder.h"

namespace qw::test {
namespace {

using UniqueFile = ScopedHandle<FileHandleTraits>;

FILETIME WriteTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

void SetWriteTime(const std::wstring& path, const FILETIME& time) {
  UniqueFile file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                nullptr));
  ASSERT_TRUE(file);
  ASSERT_TRUE(::SetFileTime(file.get(), nullptr, nullptr, &time));
}

std::optional<FileStamp> StampOf(const std::wstring& path) {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return std::nullopt;
  return ReadFileStamp(file.get());
}

// A key of its own under HKCU\Software, deleted at the end of the test.
class ScratchKey {
 public:
  ScratchKey() : path_(L"Software\\Qw_snapshot_test_" + std::to_wstring(::GetCurrentProcessId())) {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
  }
  ~ScratchKey() { ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str()); }
  const std::wstring& path() const { return path_; }
  void Set(const wchar_t* name, const std::wstring& text) const {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, path_.c_str(), name, REG_SZ, text.c_str(),
                      static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }

 private:
  std::wstring path_;
};

// The comparison walks both sorted maps at once: what went and what
// changed in key order, then what came; an exclusion (any case) hides all
// three below its prefix, in files and keys alike.
TEST(MachineSnapshot, DifferencesNameWhatWentChangedAndCameOutsideTheExclusions) {
  auto item = [](const std::wstring& path, const std::wstring& state) {
    return SnapshotItems::value_type{SnapshotKey(path), {path, state}};
  };
  MachineSnapshot before, after;
  before.files = {item(L"C:\\a", L"1"), item(L"C:\\b", L"2"), item(L"C:\\Wine\\x", L"3"), item(L"C:\\d", L"5")};
  after.files = {item(L"C:\\B", L"2*"), item(L"C:\\c", L"4"), item(L"C:\\wine\\y", L"6"), item(L"C:\\d", L"5")};
  before.registry = {item(L"HKLM\\Software\\Old\\", L"<key>")};
  after.registry = {item(L"HKLM\\Software\\New\\[v]", L"1:00"), item(L"HKLM\\Software\\WINE\\", L"<key>")};
  const std::vector<SnapshotExclusion> exclusions{{L"c:\\wine\\", "a test's"}, {L"HKLM\\Software\\Wine", "a test's"}};
  const std::vector<std::wstring> expected{
      L"removed C:\\a (1)",
      L"changed C:\\b: 2 -> 2*",
      L"added C:\\c (4)",
      L"removed HKLM\\Software\\Old\\ (<key>)",
      L"added HKLM\\Software\\New\\[v] (1:00)",
  };
  EXPECT_EQ(Differences(before, after, exclusions), expected);
  EXPECT_TRUE(Differences(after, after, {}).empty());
}

TEST(MachineSnapshot, SeesChangesThatKeepSizeAndWriteTime) {
  ScratchKey key;
  key.Set(L"kept", L"aaaa");
  key.Set(L"changed", L"aaaa");
  ScratchFolder scratch(L"snapshot");
  const std::wstring root = scratch.path() + L"\\";
  const std::wstring rewritten = scratch / L"rewritten.bin";
  const std::wstring replaced = scratch / L"replaced.bin";
  const std::wstring replacement = scratch / L"replacement.bin";
  WriteTestFile(rewritten, std::string(70000, 'a'));
  WriteTestFile(replaced, std::string(5000, 'b'));
  // Files and keys changed less than a few seconds ago are read every time:
  // these must be old enough to be remembered.
  ::Sleep(3500);
  const std::optional<FileStamp> stamp = StampOf(rewritten);
  std::printf("file stamps with a change time: %s\n", stamp ? "yes (hashes are reused)" : "no (every file is hashed)");

  const MachineSnapshot before = TakeMachineSnapshot({root});

  const FILETIME rewrittenTime = WriteTime(rewritten);
  std::string content(70000, 'a');
  content[69000] = 'x';
  WriteTestFile(rewritten, content);
  SetWriteTime(rewritten, rewrittenTime);
  WriteTestFile(replacement, std::string(5000, 'c'));
  SetWriteTime(replacement, WriteTime(replaced));
  ASSERT_TRUE(::MoveFileExW(replacement.c_str(), replaced.c_str(), MOVEFILE_REPLACE_EXISTING));
  key.Set(L"changed", L"bbbb");

  // Tests running beside this one change the registry too: only the
  // differences in this test's own places count.
  std::vector<std::wstring> differences;
  for (const std::wstring& line : Differences(before, TakeMachineSnapshot({root}), {})) {
    if (line.find(scratch.path()) != std::wstring::npos || line.find(key.path() + L"\\") != std::wstring::npos)
      differences.push_back(line);
  }
  ASSERT_EQ(differences.size(), 3u);
  EXPECT_EQ(differences[0].rfind(L"changed " + replaced + L": 5000 ", 0), 0u) << differences[0];
  EXPECT_EQ(differences[1].rfind(L"changed " + rewritten + L": 70000 ", 0), 0u) << differences[1];
  EXPECT_EQ(differences[2].rfind(L"changed HKCU\\" + key.path() + L"\\[changed]: 1:6100", 0), 0u) << differences[2];
}

void SetRaw(HKEY key, const std::wstring& name, DWORD type, const void* data, std::size_t size) {
  ASSERT_EQ(::RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)),
            ERROR_SUCCESS)
      << "value " << name.size();
}

void SetText(HKEY key, const std::wstring& name, DWORD type, const std::wstring& text) {
  SetRaw(key, name, type, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

// The dump and the walk must agree value for value on names and data that
// need escapes, strings that are not whole (stored as bytes), byte lists
// that run over several lines, and keys that have no values of their own.
TEST(RegistrySnapshot, DumpReadsWhatTheWalkReads) {
  ScratchKey scratch;
  HKEY raw = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, scratch.path().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &raw, nullptr),
            ERROR_SUCCESS);
  UniqueRegKey key(raw);
  SetText(key.get(), L"", REG_SZ, L"default");
  SetText(key.get(), L"quote\"back\\slash[bracket]=equals", REG_SZ, L"C:\\Program Files\\\"x\"\\");
  SetText(key.get(), L"caf\u00e9 \u4e2d\u6587\ttab", REG_SZ, L"\u00e9" L"1 \u00e9x \u4e2dA line\nbreak\r\a\x1b" L"7\x01" L"0");
  SetText(key.get(), L"expand", REG_EXPAND_SZ, L"%SystemRoot%\\system32");
  const wchar_t multi[] = L"one\0" L"2two\0\0";
  SetRaw(key.get(), L"multi", REG_MULTI_SZ, multi, sizeof multi);
  SetRaw(key.get(), L"unterminated", REG_SZ, L"abc", 3 * sizeof(wchar_t));
  SetRaw(key.get(), L"odd length", REG_SZ, "abc", 3);
  SetRaw(key.get(), L"empty text", REG_SZ, L"", sizeof(wchar_t));
  SetRaw(key.get(), L"no bytes", REG_SZ, nullptr, 0);
  const DWORD dword = 0x89abcdef;
  SetRaw(key.get(), L"dword", REG_DWORD, &dword, sizeof dword);
  SetRaw(key.get(), L"short dword", REG_DWORD, &dword, 3);
  const ULONGLONG qword = 0x0123456789abcdefull;
  SetRaw(key.get(), L"qword", REG_QWORD, &qword, sizeof qword);
  std::vector<BYTE> bytes(300);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<BYTE>(i * 7);
  SetRaw(key.get(), L"binary", REG_BINARY, bytes.data(), bytes.size());
  SetRaw(key.get(), L"empty binary", REG_BINARY, nullptr, 0);
  SetRaw(key.get(), L"own type", 0x12345, bytes.data(), 5);
  for (const wchar_t* sub : {L"a\\b\\c", L"empty leaf", L"]bracket[ caf\u00e9"}) {
    HKEY child = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(key.get(), sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
              ERROR_SUCCESS);
    UniqueRegKey owner(child);
    if (std::wstring(sub) == L"a\\b\\c") SetText(child, L"deep", REG_SZ, L"value");
  }

  SnapshotItems dumped, walked;
  const std::wstring shownAs = L"HKCU\\" + scratch.path();
  ASSERT_TRUE(ReadRegistryTreeByDump(HKEY_CURRENT_USER, scratch.path().c_str(), shownAs, dumped));
  ReadRegistryTreeByWalk(HKEY_CURRENT_USER, scratch.path().c_str(), shownAs, walked);
  ASSERT_EQ(walked.size(), 1u + 15u + 5u + 1u);  // the key, its values, five keys below, the deep value
  const std::wstring intermediate = shownAs + L"\\a\\b\\";
  EXPECT_TRUE(std::any_of(walked.begin(), walked.end(), [&](const auto& entry) {
    return entry.second.first == intermediate && entry.second.second == L"<key>";
  }));
  for (const auto& [path, item] : walked) {
    const auto found = dumped.find(path);
    if (found == dumped.end()) {
      ADD_FAILURE() << "not in the dump: " << item.first;
    } else {
      EXPECT_EQ(found->second, item) << item.first;
    }
  }
  EXPECT_EQ(dumped.size(), walked.size());
}

TEST(FileHashCache, KeepsHashesAcrossProcessesAndReadsATornStoreAsEmpty) {
  ScratchFolder scratch(L"hash_store");
  const std::wstring store = scratch / L"hashes";
  FileStamp stamp;
  stamp.size = 12;
  stamp.lastWrite = 1000;
  stamp.changeTime = 2000;
  stamp.fileId = 42;
  stamp.volume = 7;
  const std::uint64_t longAfter = stamp.changeTime + 3600ull * 10'000'000;
  {
    FileHashCache cache(store);
    cache.Remember(L"C:\\A", stamp, 0x1234, longAfter);
    // Changed in the same seconds as its hash: not kept.
    cache.Remember(L"C:\\B", stamp, 0x5678, stamp.changeTime + 1);
    cache.Save({L"C:\\"});
  }
  FileHashCache reread(store);
  EXPECT_EQ(reread.Find(L"C:\\A", stamp), std::optional<std::uint64_t>(0x1234));
  EXPECT_FALSE(reread.Find(L"C:\\B", stamp));
  FileStamp changed = stamp;
  changed.changeTime += 1;
  EXPECT_FALSE(reread.Find(L"C:\\A", changed));
  changed = stamp;
  changed.fileId += 1;
  EXPECT_FALSE(reread.Find(L"C:\\A", changed));

  // A snapshot of another root keeps it; one of C:\ that did not see it
  // forgets it.
  FileHashCache elsewhere(store);
  elsewhere.Save({L"Q:\\"});
  EXPECT_TRUE(FileHashCache(store).Find(L"C:\\A", stamp));
  FileHashCache withoutIt(store);
  withoutIt.Save({L"C:\\"});
  EXPECT_FALSE(FileHashCache(store).Find(L"C:\\A", stamp));

  {
    FileHashCache cache(store);
    cache.Remember(L"C:\\A", stamp, 0x1234, longAfter);
    cache.Save({});
  }
  const std::string whole = ReadTestFile(store);
  ASSERT_GT(whole.size(), 20u);
  WriteTestFile(store, whole.substr(0, whole.size() - 3));
  EXPECT_FALSE(FileHashCache(store).Find(L"C:\\A", stamp));
}

}  // namespace
}  // namespace qw::test
