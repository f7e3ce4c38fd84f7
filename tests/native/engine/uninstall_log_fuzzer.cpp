// Fuzz entry of the uninstall log reader. Any byte string must be read
// without crash or overflow, and whatever entries come out must survive a
// round trip through the writer's line format unchanged.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/uninstall_log_format.h"
#include "engine/uninstall_log_parser.h"
#include "utf16le_bytes.h"

namespace {

qw::LogSource MemorySource(const std::uint8_t*& data, std::size_t& size) {
  qw::LogSource source;
  source.read = [&data, &size](std::uint8_t* buffer, std::size_t capacity) {
    // Small, uneven chunks, so that lines straddle reads.
    const std::size_t n = std::min({capacity, size, std::size_t{7}});
    std::memcpy(buffer, data, n);
    data += n;
    size -= n;
    return n;
  };
  source.decodeAnsi = [](const std::string& bytes) {
    std::wstring text;  // Latin-1 stands in for the ANSI code page
    for (char c : bytes) text.push_back(static_cast<unsigned char>(c));
    return text;
  };
  source.isFolder = [](const std::wstring& path) { return path.size() % 2 == 0; };
  return source;
}

void CheckRoundTrip(const qw::PreviousInstallation& read) {
  if (read.productText.size() > 400) return;  // line 3 would exceed the reader's buffer
  std::wstring text = qw::FormatLogHeader(L"Meridel 6.07c", L"C:\\P", L"C:\\S", read.productText);
  std::uint32_t sequence = 0;
  for (const qw::JournalEntry& entry : read.entries) {
    if (entry.path.size() > 400) return;  // longer lines are refused by design
    text += qw::FormatLogEntryLine(sequence++, entry);
  }
  const std::string bytes = "\xFF\xFE" + qw::test::Utf16LeBytes(text);
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  std::size_t size = bytes.size();
  qw::PreviousInstallation again;
  qw::ParseUninstallLog(MemorySource(data, size), again);
  if (again.entries.size() != read.entries.size()) std::abort();
  auto a = read.entries.begin();
  for (const qw::JournalEntry& b : again.entries) {
    if (a->kind != b.kind || a->path != b.path || a->done != b.done || a->value != b.value)
      std::abort();
    ++a;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qw::PreviousInstallation read;
  qw::ParseUninstallLog(MemorySource(data, size), read);
  for (const qw::JournalEntry& entry : read.entries) {
    const auto kind = static_cast<std::int32_t>(entry.kind);
    if (kind < 0 || kind >= qw::kJournalEntryKindCount) std::abort();
    if (entry.value < -1 || entry.value > 254) std::abort();
    if ((entry.kind == qw::JournalEntryKind::UninstallKey ||
         entry.kind == qw::JournalEntryKind::SelfRegistration) && !entry.path.empty())
      std::abort();
  }
  CheckRoundTrip(read);
  return 0;
}
