#include "machine_snapshot.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <memory>
#include <optional>

#include "build_tree.h"
#include "file_hash_cache.h"
#include "platform/handles.h"
#include "registry_snapshot.h"
#include "wine.h"

namespace qw::test {
namespace {

using UniqueFile = ScopedHandle<FileHandleTraits>;

std::wstring Hex(std::uint64_t value) {
  wchar_t text[24];
  std::swprintf(text, 24, L"%016llx", static_cast<unsigned long long>(value));
  return text;
}

// A 64-bit multiply-xor hash over the content, eight bytes a step (the
// prefix holds more than half a gigabyte): enough to tell a changed byte.
bool HashContent(HANDLE file, std::uint64_t& hash, std::uint64_t& size) {
  hash = 14695981039346656037ull;
  size = 0;
  static unsigned char buffer[1 << 20];
  DWORD read = 0;
  while (true) {
    if (!::ReadFile(file, buffer, sizeof buffer, &read, nullptr)) return false;
    if (read == 0) return true;
    DWORD i = 0;
    for (; i + 8 <= read; i += 8) {
      std::uint64_t word;
      std::memcpy(&word, buffer + i, 8);
      hash = (hash ^ word) * 0x9E3779B97F4A7C15ull;
      hash ^= hash >> 29;
    }
    for (; i < read; ++i) hash = (hash ^ buffer[i]) * 1099511628211ull;
    size += read;
  }
}

// "size hash" of a file opened by its path: from the cache when the stamp
// the open file gives is known there, hashed whole otherwise; empty when
// the file cannot be read.
std::wstring HashedFileState(const std::wstring& path, const std::wstring& key, FileHashCache& cache) {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return {};
  const std::optional<FileStamp> stamp = ReadFileStamp(file.get());
  if (stamp) {
    if (const std::optional<std::uint64_t> hash = cache.Find(key, *stamp)) {
      return std::to_wstring(stamp->size) + L" " + Hex(*hash);
    }
  }
  const std::uint64_t started = SystemTimeTicks();
  std::uint64_t hash = 0, size = 0;
  if (!HashContent(file.get(), hash, size)) return {};
  if (stamp && stamp->size == size) cache.Remember(key, *stamp, hash, started);
  return std::to_wstring(size) + L" " + Hex(hash);
}

// A folder's entries with what the cache needs to know of each, read a
// buffer at a time from the folder's handle: the listing carries the
// change time and the file id, so a file whose stamp the cache knows is
// never opened. Opening each file costs a round trip to Wine's server,
// which made most of a snapshot's time.
class FolderListing {
 public:
  explicit FolderListing(const std::wstring& folder)
      : folder_(::CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (folder_ && ::GetFileInformationByHandle(folder_.get(), &info)) volume_ = info.dwVolumeSerialNumber;
  }

  // The next entry, or nullptr after the last one (or a folder that
  // cannot be listed).
  const FILE_ID_BOTH_DIR_INFO* Next() {
    if (next_ == 0) {
      if (!folder_ || !Fill()) return nullptr;
    }
    const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer_ + next_);
    next_ = entry->NextEntryOffset == 0 ? 0 : next_ + entry->NextEntryOffset;
    return entry;
  }

  std::optional<FileStamp> Stamp(const FILE_ID_BOTH_DIR_INFO& entry) const {
    if (entry.ChangeTime.QuadPart == 0) return std::nullopt;
    FileStamp stamp;
    stamp.size = static_cast<std::uint64_t>(entry.EndOfFile.QuadPart);
    stamp.lastWrite = static_cast<std::uint64_t>(entry.LastWriteTime.QuadPart);
    stamp.changeTime = static_cast<std::uint64_t>(entry.ChangeTime.QuadPart);
    stamp.fileId = static_cast<std::uint64_t>(entry.FileId.QuadPart);
    stamp.volume = volume_;
    return stamp;
  }

 private:
  bool Fill() {
    const FILE_INFO_BY_HANDLE_CLASS kind = started_ ? FileIdBothDirectoryInfo : FileIdBothDirectoryRestartInfo;
    started_ = true;
    return ::GetFileInformationByHandleEx(folder_.get(), kind, buffer_, sizeof buffer_) != FALSE;
  }

  UniqueFile folder_;
  std::uint32_t volume_ = 0;
  bool started_ = false;
  std::size_t next_ = 0;
  alignas(8) unsigned char buffer_[64 * 1024];
};

// A file's "size hash": from the cache when the listing's stamp is known
// there, read whole otherwise.
std::wstring FileState(const std::wstring& path, const std::wstring& key, const std::optional<FileStamp>& listed,
                       FileHashCache& cache) {
  if (listed) {
    if (const std::optional<std::uint64_t> hash = cache.Find(key, *listed)) {
      return std::to_wstring(listed->size) + L" " + Hex(*hash);
    }
  }
  return HashedFileState(path, key, cache);
}

void WalkFiles(const std::wstring& folder, FileHashCache& cache, MachineSnapshot& snapshot) {
  auto listing = std::make_unique<FolderListing>(folder);
  while (const FILE_ID_BOTH_DIR_INFO* entry = listing->Next()) {
    const std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
    if (name == L"." || name == L"..") continue;
    const std::wstring path = folder + name;
    const DWORD attributes = entry->FileAttributes;
    const bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (isFolder && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;  // links loop
    const std::wstring key = SnapshotKey(path);
    std::wstring state;
    if (isFolder) {
      state = L"<dir>";
    } else {
      state = FileState(path, key, listing->Stamp(*entry), cache);
      if (state.empty()) state = L"<unreadable>";
      state += L" attr " + std::to_wstring(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    }
    snapshot.files[key] = {path, state};
    if (isFolder) WalkFiles(path + L"\\", cache, snapshot);
  }
}

// The hashes of this test process's snapshots, kept in the build tree's
// Wine folder for the next process of the same lane (another lane's prefix
// has files of the same names and stamps with other contents).
FileHashCache& ProcessHashCache() {
  static FileHashCache cache(QW_SNAPSHOT_HASH_STORE + LaneSuffix());
  return cache;
}

// The exclusions' prefixes, upper-cased once for a whole comparison.
class ExcludedPrefixes {
 public:
  explicit ExcludedPrefixes(const std::vector<SnapshotExclusion>& exclusions) {
    for (const SnapshotExclusion& e : exclusions) upper_.push_back(SnapshotKey(e.prefix));
  }
  bool Cover(const std::wstring& upperPath) const {
    for (const std::wstring& prefix : upper_) {
      if (upperPath.compare(0, prefix.size(), prefix) == 0) return true;
    }
    return false;
  }

 private:
  std::vector<std::wstring> upper_;
};

// Both maps are sorted by the same key: one walk over the two finds what
// went, what changed and what came, in key order.
void Compare(const SnapshotItems& before, const SnapshotItems& after, const ExcludedPrefixes& excluded,
             std::vector<std::wstring>& differences) {
  std::vector<std::wstring> added;
  auto b = before.begin();
  auto a = after.begin();
  while (b != before.end() || a != after.end()) {
    const bool onlyBefore = a == after.end() || (b != before.end() && b->first < a->first);
    const bool onlyAfter = b == before.end() || (a != after.end() && a->first < b->first);
    if (onlyBefore) {
      if (!excluded.Cover(b->first))
        differences.push_back(L"removed " + b->second.first + L" (" + b->second.second.substr(0, 60) + L")");
      ++b;
    } else if (onlyAfter) {
      if (!excluded.Cover(a->first))
        added.push_back(L"added " + a->second.first + L" (" + a->second.second.substr(0, 60) + L")");
      ++a;
    } else {
      if (b->second.second != a->second.second && !excluded.Cover(b->first)) {
        differences.push_back(L"changed " + b->second.first + L": " + b->second.second.substr(0, 60) + L" -> " +
                              a->second.second.substr(0, 60));
      }
      ++b;
      ++a;
    }
  }
  differences.insert(differences.end(), added.begin(), added.end());
}

// "HKLM\\Software\\X" -> root and "Software\\X".
HKEY SplitRoot(const std::wstring& path, std::wstring& rest) {
  rest = path.substr(5);
  return path.compare(0, 4, L"HKLM") == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

}  // namespace

const std::vector<SnapshotExclusion>& WineExclusions() {
  static const std::vector<SnapshotExclusion> exclusions{
      {L"HKCU\\Software\\Wine\\Temporary System Parameters\\",
       "Wine's user32 keeps the session's system parameters (the mouse's) here on a window's first start"},
      // A test may start the installer in another locale than the process
      // before it: Wine's gdi32 then rewrites the locale's code pages, font
      // links and font substitutes (the installer writes no font settings).
      {L"HKCU\\Software\\Wine\\Fonts\\[Codepages]", "Wine's gdi32 notes the code pages of a process's locale"},
      {L"HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\",
       "Wine's gdi32 sets the font links of a process's locale"},
      {L"HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes\\",
       "Wine's gdi32 sets the font substitutes of a process's locale"},
      {L"HKLM\\Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\",
       "Wine's gdi32 sets the font links of a process's locale (32-bit view)"},
      {L"HKLM\\Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes\\",
       "Wine's gdi32 sets the font substitutes of a process's locale (32-bit view)"},
  };
  return exclusions;
}

const std::vector<SnapshotExclusion>& ComparisonExclusions() {
  static const std::vector<SnapshotExclusion> exclusions = [] {
    std::vector<SnapshotExclusion> all = WineExclusions();
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    all.push_back({std::wstring(temp) + L"qwtest_", "scratch folders of tests running beside this one"});
    all.push_back({std::wstring(temp) + L"qw_probe_", "scratch files of platform probes running beside this one"});
    all.push_back({L"HKCU\\Software\\Qw", "scratch keys of tests running beside this one"});
    all.push_back({L"HKLM\\Software\\Qw", "scratch keys of tests running beside this one"});
    return all;
  }();
  return exclusions;
}

MachineSnapshot TakeMachineSnapshot(const std::vector<std::wstring>& roots) {
  MachineSnapshot snapshot;
  FileHashCache& cache = ProcessHashCache();
  std::vector<std::wstring> upperRoots;
  for (const std::wstring& root : roots) {
    WalkFiles(root, cache, snapshot);
    upperRoots.push_back(SnapshotKey(root));
  }
  cache.Save(upperRoots);
  ReadRegistryTree(HKEY_LOCAL_MACHINE, L"Software", L"HKLM\\Software", snapshot.registry);
  ReadRegistryTree(HKEY_CURRENT_USER, L"Software", L"HKCU\\Software", snapshot.registry);
  return snapshot;
}

std::vector<std::wstring> Differences(const MachineSnapshot& before, const MachineSnapshot& after,
                                      const std::vector<SnapshotExclusion>& exclusions) {
  std::vector<std::wstring> differences;
  const ExcludedPrefixes excluded(exclusions);
  Compare(before.files, after.files, excluded, differences);
  Compare(before.registry, after.registry, excluded, differences);
  return differences;
}

void RemoveAdditions(const MachineSnapshot& before, const MachineSnapshot& now,
                     const std::vector<SnapshotExclusion>& exclusions) {
  const ExcludedPrefixes excluded(exclusions);
  std::vector<std::wstring> folders, keys;
  for (const auto& [key, item] : now.files) {
    if (before.files.count(key) || excluded.Cover(key)) continue;
    if (item.second == L"<dir>") {
      folders.push_back(item.first);
    } else {
      ::SetFileAttributesW(item.first.c_str(), FILE_ATTRIBUTE_NORMAL);
      ::DeleteFileW(item.first.c_str());
    }
  }
  std::sort(folders.rbegin(), folders.rend());  // children sort after their parents
  for (const std::wstring& folder : folders) ::RemoveDirectoryW(folder.c_str());

  for (const auto& [key, item] : now.registry) {
    if (before.registry.count(key) || excluded.Cover(key)) continue;
    if (item.second == L"<key>") {
      keys.push_back(item.first.substr(0, item.first.size() - 1));
      continue;
    }
    const std::size_t open = item.first.rfind(L"\\[");
    std::wstring keyPath;
    HKEY root = SplitRoot(item.first.substr(0, open), keyPath);
    const std::wstring name = item.first.substr(open + 2, item.first.size() - open - 3);
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_SET_VALUE, &handle) == ERROR_SUCCESS) {
      ::RegDeleteValueW(handle, name.c_str());
      ::RegCloseKey(handle);
    }
  }
  std::sort(keys.rbegin(), keys.rend());
  for (const std::wstring& key : keys) {
    std::wstring keyPath;
    HKEY root = SplitRoot(key, keyPath);
    ::SHDeleteKeyW(root, keyPath.c_str());
  }
}

}  // namespace qw::test
