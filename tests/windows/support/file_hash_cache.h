#pragma once
// Content hashes of files, remembered by what tells that a file's content
// may have changed: its size, its last-write time, its change time (which a
// program cannot set: any write, rename or attribute change moves it to
// the present) and its file id. A machine snapshot reads only the files
// whose stamp differs from the one remembered, instead of hashing the
// whole prefix each time. The hashes live in one file outside the
// compared drives (in the build tree's Wine folder), shared by the test
// processes of a run; a missing, unreadable or malformed store is an empty
// cache. It is not a general cache: a file whose stamp the system cannot
// give (no change time) is never remembered. Test support.

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qw::test {

// What must be unchanged for a remembered hash to hold.
struct FileStamp {
  std::uint64_t size = 0;
  std::uint64_t lastWrite = 0;   // FILETIME ticks
  std::uint64_t changeTime = 0;  // FILETIME ticks; 0 where the system gives none
  std::uint64_t fileId = 0;
  std::uint32_t volume = 0;

  bool operator==(const FileStamp& other) const;
};

// The stamp of an open file; nullopt when the system gives no change time,
// or any part of it cannot be read.
std::optional<FileStamp> ReadFileStamp(HANDLE file);

class FileHashCache {
 public:
  // Reads the store at `storePath` (a missing or malformed one: empty).
  explicit FileHashCache(std::wstring storePath);

  // The hash remembered for `key` (an upper-cased path) when its stamp is
  // `stamp`. Either way `key` counts as seen by the current snapshot.
  std::optional<std::uint64_t> Find(const std::wstring& key, const FileStamp& stamp);

  // Remembers a hash read from the file after `hashStarted` (FILETIME
  // ticks of the system time). A file whose change time is that recent is
  // not remembered: a write in the same tick of the file system's clock
  // would leave the stamp as it was.
  void Remember(const std::wstring& key, const FileStamp& stamp, std::uint64_t hash, std::uint64_t hashStarted);

  // Ends a snapshot of `upperRoots`: forgets the files below them that it
  // did not see (they are gone), then writes the store when anything
  // changed, to a temporary file renamed over the store, so that another
  // process reads either the old store or the new one. A failed write
  // leaves the store as it was.
  void Save(const std::vector<std::wstring>& upperRoots);

 private:
  struct Entry {
    FileStamp stamp;
    std::uint64_t hash = 0;
  };
  std::wstring storePath_;
  std::map<std::wstring, Entry> entries_;
  std::set<std::wstring> seen_;
  bool dirty_ = false;
};

// The current system time in FILETIME ticks.
std::uint64_t SystemTimeTicks();

}  // namespace qw::test
