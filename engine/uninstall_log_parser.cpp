#include "engine/uninstall_log_parser.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/journal_entry_rules.h"
#include "engine/uninstall_log_format.h"
#include "payload/unicode_text.h"

namespace qw {
namespace {

// Splits the byte stream into lines. The first line decides the encoding:
// a byte order mark FF FE makes the whole file UTF-16LE, otherwise it is
// 8-bit text. A line ends after its line feed or at the end of the file.
class LogLineReader {
 public:
  enum class Result { Line, End, TooLong };

  explicit LogLineReader(const LogSource& source) : source_(source) {}

  Result Next(std::wstring& line) {
    if (!encodingKnown_) DecideEncoding();
    const std::size_t unit = utf16_ ? 2 : 1;
    // Room for the line and the NUL that the buffer needs after it.
    std::size_t limit = kLogLineBufferBytes - unit;
    if (firstLine_ && utf16_) limit -= 2;  // the byte order mark shares the buffer
    firstLine_ = false;

    std::size_t scanned = 0;  // bytes after pos_ known to hold no line feed
    for (;;) {
      for (; pos_ + scanned + unit <= bytes_.size(); scanned += unit) {
        const std::size_t at = pos_ + scanned;
        if (bytes_[at] == 0x0A && (unit == 1 || bytes_[at + 1] == 0)) {
          const std::size_t end = at + unit;
          if (end - pos_ > limit) return Result::TooLong;
          line = Decode(pos_, end);
          pos_ = end;
          return Result::Line;
        }
      }
      if (bytes_.size() - pos_ > limit) return Result::TooLong;
      if (!Fill()) break;
    }
    // The last line, without line feed; a lone odd byte of UTF-16 is dropped.
    const std::size_t end = pos_ + (bytes_.size() - pos_) / unit * unit;
    if (end == pos_) return Result::End;
    line = Decode(pos_, end);
    pos_ = bytes_.size();
    return Result::Line;
  }

 private:
  bool Fill() {
    if (atEnd_) return false;
    if (pos_ > 0) {  // keep only the unread part
      bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(pos_));
      pos_ = 0;
    }
    std::uint8_t chunk[4096];
    const std::size_t got = source_.read ? source_.read(chunk, sizeof chunk) : 0;
    if (got == 0 || got > sizeof chunk) {
      atEnd_ = true;
      return false;
    }
    bytes_.insert(bytes_.end(), chunk, chunk + got);
    return true;
  }

  void DecideEncoding() {
    while (bytes_.size() - pos_ < 2 && Fill()) {
    }
    utf16_ = bytes_.size() - pos_ >= 2 && bytes_[pos_] == 0xFF && bytes_[pos_ + 1] == 0xFE;
    if (utf16_) pos_ += 2;
    encodingKnown_ = true;
  }

  // The text of bytes [begin, end), up to its first NUL (the line is a
  // C string in its buffer).
  std::wstring Decode(std::size_t begin, std::size_t end) const {
    std::wstring text;
    if (!utf16_) {
      std::string narrow(bytes_.begin() + static_cast<std::ptrdiff_t>(begin),
                         bytes_.begin() + static_cast<std::ptrdiff_t>(end));
      narrow = narrow.substr(0, narrow.find('\0'));
      text = source_.decodeAnsi ? source_.decodeAnsi(narrow) : std::wstring();
    } else {
      std::u16string units;
      units.reserve((end - begin) / 2);
      for (std::size_t i = begin; i + 1 < end; i += 2) {
        units.push_back(static_cast<char16_t>(bytes_[i] | (bytes_[i + 1] << 8)));
      }
      text = WideFromUtf16(units);
    }
    return text.substr(0, text.find(L'\0'));
  }

  const LogSource& source_;
  std::vector<std::uint8_t> bytes_;
  std::size_t pos_ = 0;
  bool atEnd_ = false;
  bool encodingKnown_ = false;
  bool utf16_ = false;
  bool firstLine_ = true;
};

constexpr std::wstring_view kWhiteSpace = L" \t\n\v\f\r";

bool IsWhiteSpace(wchar_t c) { return kWhiteSpace.find(c) != std::wstring_view::npos; }

std::wstring_view TrimLeft(std::wstring_view text) {
  const std::size_t first = text.find_first_not_of(kWhiteSpace);
  return first == std::wstring_view::npos ? std::wstring_view() : text.substr(first);
}

std::wstring_view TrimRight(std::wstring_view text) {
  const std::size_t last = text.find_last_not_of(kWhiteSpace);
  return last == std::wstring_view::npos ? std::wstring_view() : text.substr(0, last + 1);
}

std::wstring_view Trim(std::wstring_view text) { return TrimLeft(TrimRight(text)); }

int DigitValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Reads an integer in `base` after optional white space and sign, as the
// stream extraction of an int does; consumes it from `text`. None when no
// digit follows or the value does not fit 32 bits.
std::optional<std::int64_t> ReadInteger(std::wstring_view& text, int base) {
  std::wstring_view rest = TrimLeft(text);
  bool negative = false;
  if (!rest.empty() && (rest.front() == L'+' || rest.front() == L'-')) {
    negative = rest.front() == L'-';
    rest.remove_prefix(1);
  }
  std::int64_t value = 0;
  std::size_t digits = 0;
  for (; digits < rest.size(); ++digits) {
    const int d = DigitValue(rest[digits]);
    if (d < 0 || d >= base) break;
    value = value * base + d;
    if (value > 0xFFFFFFFFLL) return std::nullopt;
  }
  if (digits == 0) return std::nullopt;
  text = rest.substr(digits);
  return negative ? -value : value;
}

bool ReadCharacter(std::wstring_view& text, wchar_t expected) {
  std::wstring_view rest = TrimLeft(text);
  if (rest.empty() || rest.front() != expected) return false;
  text = rest.substr(1);
  return true;
}

// An entry line: "number:code:done -- text", white space allowed before
// each field. None when the line is malformed or names a kind of 8 or more.
std::optional<JournalEntry> ParseEntryLine(std::wstring_view line) {
  const auto sequence = ReadInteger(line, 10);
  if (!sequence || *sequence < 0 || !ReadCharacter(line, L':')) return std::nullopt;
  const auto code = ReadInteger(line, 16);
  if (!code || *code < 0) return std::nullopt;
  const std::int64_t kind = *code >> 8;
  if (!IsJournalEntryKind(kind) || !ReadCharacter(line, L':')) return std::nullopt;
  line = TrimLeft(line);
  if (line.empty() || (line.front() != L'0' && line.front() != L'1')) return std::nullopt;
  const bool done = line.front() == L'1';
  line = TrimLeft(line.substr(1));
  std::size_t wordEnd = 0;
  while (wordEnd < line.size() && !IsWhiteSpace(line[wordEnd])) ++wordEnd;
  if (line.substr(0, wordEnd) != L"--") return std::nullopt;

  JournalEntry entry;
  entry.kind = static_cast<JournalEntryKind>(kind);
  // A text the writer fills in itself is not the entry's path.
  if (RulesOf(entry.kind).loggedText == LoggedText::EntryPath)
    entry.path = std::wstring(TrimLeft(line.substr(wordEnd)));
  entry.done = done;
  const std::int32_t low = static_cast<std::int32_t>(*code & 0xFF);
  entry.value = low == 0xFF ? -1 : low;
  return entry;
}

// The value after `marker` in a header line, trimmed; none when the marker
// is missing. A line that ends with the marker less its final blank (cut
// off with the line's trailing white space) has an empty value.
std::optional<std::wstring> HeaderValue(std::wstring_view line, std::wstring_view marker) {
  const std::size_t at = line.find(marker);
  if (at != std::wstring_view::npos) return std::wstring(Trim(line.substr(at + marker.size())));
  const std::wstring_view shortMarker = marker.substr(0, marker.size() - 1);
  if (line.size() >= shortMarker.size() &&
      line.substr(line.size() - shortMarker.size()) == shortMarker)
    return std::wstring();
  return std::nullopt;
}

class LogInterpreter {
 public:
  LogInterpreter(const LogSource& source, PreviousInstallation& previous)
      : source_(source), previous_(previous) {}

  // False when the reading must stop.
  bool Take(std::wstring_view line) {
    const int index = lineIndex_++;
    line = TrimRight(line);
    if (line.substr(0, 2) == L"//") return TakeHeader(index, line);
    if (version_ != kUninstallLogVersion) return false;
    auto entry = ParseEntryLine(line);
    if (!entry) return false;
    previous_.entries.push_back(std::move(*entry));
    return true;
  }

 private:
  bool TakeHeader(int index, std::wstring_view line) {
    line.remove_prefix(std::min(line.find_first_not_of(L'/'), line.size()));
    line = TrimLeft(line);
    switch (index) {
      case 0: {
        const std::size_t at = line.find(kLogVersionMarker);
        if (at != std::wstring_view::npos) {
          std::wstring_view rest = line.substr(at + std::wstring_view(kLogVersionMarker).size());
          version_ = ReadInteger(rest, 10).value_or(0);
        }
        return version_ == kUninstallLogVersion;
      }
      case 2: {
        const std::size_t at = line.find(kLogInstallMarker);
        if (at == std::wstring_view::npos) return false;
        std::wstring_view rest = line.substr(at + std::wstring_view(kLogInstallMarker).size());
        rest = rest.substr(0, rest.find(L"--"));
        previous_.productText = std::wstring(Trim(rest));
        return true;
      }
      case 3:
        return TakeFolder(line, kLogInstallPathMarker, previous_.installFolder);
      case 4:
        return TakeFolder(line, kLogShortcutPathMarker, previous_.startMenuFolder);
      default:
        return true;
    }
  }

  bool TakeFolder(std::wstring_view line, std::wstring_view marker, std::wstring& folder) {
    const auto value = HeaderValue(line, marker);
    if (!value) return false;
    if (!value->empty() && source_.isFolder && source_.isFolder(*value)) folder = *value;
    return true;
  }

  const LogSource& source_;
  PreviousInstallation& previous_;
  int lineIndex_ = 0;

 public:
  std::int64_t version() const { return version_; }

 private:
  std::int64_t version_ = 0;
};

}  // namespace

LogParseResult ParseUninstallLog(const LogSource& source, PreviousInstallation& previous) {
  LogLineReader reader(source);
  LogInterpreter interpreter(source, previous);
  LogParseResult result;
  std::wstring line;
  for (;;) {
    const LogLineReader::Result next = reader.Next(line);
    if (next != LogLineReader::Result::Line) {
      result.complete = next == LogLineReader::Result::End;
      break;
    }
    if (!interpreter.Take(line)) break;
    ++result.linesRead;
  }
  result.version = interpreter.version();
  return result;
}

}  // namespace qw
