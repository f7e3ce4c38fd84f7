#include "file_hash_cache.h"

#include <cstring>
#include <utility>
#include <vector>

#include "platform/handles.h"

namespace qw::test {
namespace {

using UniqueFile = ScopedHandle<FileHandleTraits>;

constexpr char kMagic[8] = {'Q', 'W', 'F', 'H', 'A', 'S', 'H', '1'};
constexpr std::uint64_t kTicksPerSecond = 10'000'000;
// Longer than any file system's time stamp step and any lag of its clock
// behind the system time.
constexpr std::uint64_t kRecentTicks = 3 * kTicksPerSecond;
constexpr std::uint64_t kLargestStore = 64ull << 20;

std::uint64_t Ticks(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

template <typename T>
void Put(std::vector<char>& out, const T& value) {
  const char* bytes = reinterpret_cast<const char*>(&value);
  out.insert(out.end(), bytes, bytes + sizeof value);
}

// Reads the store's records in order; false at the first malformed byte.
class StoreReader {
 public:
  explicit StoreReader(const std::vector<char>& bytes) : bytes_(bytes) {}
  template <typename T>
  bool Get(T& value) {
    if (bytes_.size() - at_ < sizeof value) return false;
    std::memcpy(&value, bytes_.data() + at_, sizeof value);
    at_ += sizeof value;
    return true;
  }
  bool GetText(std::wstring& text, std::uint32_t length) {
    if ((bytes_.size() - at_) / sizeof(wchar_t) < length) return false;
    text.resize(length);
    std::memcpy(&text[0], bytes_.data() + at_, length * sizeof(wchar_t));
    at_ += length * sizeof(wchar_t);
    return true;
  }
  bool AtEnd() const { return at_ == bytes_.size(); }

 private:
  const std::vector<char>& bytes_;
  std::size_t at_ = 0;
};

std::vector<char> ReadStore(const std::wstring& path) {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size{};
  if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > static_cast<LONGLONG>(kLargestStore))
    return {};
  std::vector<char> bytes(static_cast<std::size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty() && (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                         read != bytes.size())) {
    return {};
  }
  return bytes;
}

}  // namespace

bool FileStamp::operator==(const FileStamp& other) const {
  return size == other.size && lastWrite == other.lastWrite && changeTime == other.changeTime &&
         fileId == other.fileId && volume == other.volume;
}

std::optional<FileStamp> ReadFileStamp(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info{};
  FILE_BASIC_INFO basic{};
  if (!::GetFileInformationByHandle(file, &info) ||
      !::GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) || basic.ChangeTime.QuadPart == 0) {
    return std::nullopt;
  }
  FileStamp stamp;
  stamp.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  stamp.lastWrite = Ticks(info.ftLastWriteTime);
  stamp.changeTime = static_cast<std::uint64_t>(basic.ChangeTime.QuadPart);
  stamp.fileId = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  stamp.volume = info.dwVolumeSerialNumber;
  return stamp;
}

std::uint64_t SystemTimeTicks() {
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  return Ticks(now);
}

FileHashCache::FileHashCache(std::wstring storePath) : storePath_(std::move(storePath)) {
  const std::vector<char> bytes = ReadStore(storePath_);
  if (bytes.size() < sizeof kMagic || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return;
  const std::vector<char> records(bytes.begin() + sizeof kMagic, bytes.end());
  StoreReader reader(records);
  std::map<std::wstring, Entry> entries;
  while (!reader.AtEnd()) {
    std::uint32_t length = 0;
    std::wstring key;
    Entry entry;
    if (!reader.Get(length) || !reader.GetText(key, length) || !reader.Get(entry.stamp.size) ||
        !reader.Get(entry.stamp.lastWrite) || !reader.Get(entry.stamp.changeTime) ||
        !reader.Get(entry.stamp.fileId) || !reader.Get(entry.stamp.volume) || !reader.Get(entry.hash)) {
      return;  // a torn or foreign store: start empty
    }
    entries[key] = entry;
  }
  entries_ = std::move(entries);
}

std::optional<std::uint64_t> FileHashCache::Find(const std::wstring& key, const FileStamp& stamp) {
  seen_.insert(key);
  const auto found = entries_.find(key);
  if (found == entries_.end() || !(found->second.stamp == stamp)) return std::nullopt;
  return found->second.hash;
}

void FileHashCache::Remember(const std::wstring& key, const FileStamp& stamp, std::uint64_t hash,
                             std::uint64_t hashStarted) {
  seen_.insert(key);
  if (stamp.changeTime + kRecentTicks > hashStarted) {
    if (entries_.erase(key)) dirty_ = true;
    return;
  }
  entries_[key] = Entry{stamp, hash};
  dirty_ = true;
}

void FileHashCache::Save(const std::vector<std::wstring>& upperRoots) {
  for (auto it = entries_.begin(); it != entries_.end();) {
    bool underRoot = false;
    for (const std::wstring& root : upperRoots) underRoot = underRoot || it->first.compare(0, root.size(), root) == 0;
    if (underRoot && !seen_.count(it->first)) {
      it = entries_.erase(it);
      dirty_ = true;
    } else {
      ++it;
    }
  }
  seen_.clear();
  if (!dirty_ || storePath_.empty()) return;

  std::vector<char> bytes(kMagic, kMagic + sizeof kMagic);
  for (const auto& [key, entry] : entries_) {
    Put(bytes, static_cast<std::uint32_t>(key.size()));
    const char* text = reinterpret_cast<const char*>(key.data());
    bytes.insert(bytes.end(), text, text + key.size() * sizeof(wchar_t));
    Put(bytes, entry.stamp.size);
    Put(bytes, entry.stamp.lastWrite);
    Put(bytes, entry.stamp.changeTime);
    Put(bytes, entry.stamp.fileId);
    Put(bytes, entry.stamp.volume);
    Put(bytes, entry.hash);
  }
  const std::wstring temporary = storePath_ + L"." + std::to_wstring(::GetCurrentProcessId());
  {
    UniqueFile file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (!file || !::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
      file.reset();
      ::DeleteFileW(temporary.c_str());
      return;
    }
  }
  if (::MoveFileExW(temporary.c_str(), storePath_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    dirty_ = false;
  } else {
    ::DeleteFileW(temporary.c_str());
  }
}

}  // namespace qw::test
