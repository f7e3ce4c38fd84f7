#include "payload/payload_format.h"

#include <cstring>
#include <limits>

#include "payload/compress_error.h"
#include "payload/unicode_text.h"
#include "platform/path_elements.h"

namespace qw {
namespace {

// Reads little-endian fields from a header, refusing to run past its end.
class HeaderReader {
 public:
  HeaderReader(const char* data, std::size_t length) : data_(data), length_(length) {}

  template <typename T>
  T Integer() {
    const unsigned char* bytes = Take(sizeof(T));
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) value |= static_cast<T>(bytes[i]) << (8 * i);
    return value;
  }

  std::u16string String() {
    const std::uint32_t units = Integer<std::uint32_t>();
    if (units > (length_ - position_) / 2) ThrowCompressError(compress_errc::unexpected_error);
    const unsigned char* bytes = Take(std::size_t{units} * 2);
    std::u16string text(units, u'\0');
    for (std::uint32_t i = 0; i < units; ++i)
      text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return text;
  }

  std::size_t remaining() const { return length_ - position_; }

 private:
  const unsigned char* Take(std::size_t n) {
    if (n > length_ - position_) ThrowCompressError(compress_errc::unexpected_error);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data_) + position_;
    position_ += n;
    return bytes;
  }

  const char* data_;
  std::size_t length_;
  std::size_t position_ = 0;
};

template <typename T>
void PutInteger(std::string& out, T value) {
  for (std::size_t i = 0; i < sizeof(T); ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutString(std::string& out, const std::u16string& text) {
  PutInteger(out, static_cast<std::uint32_t>(text.size()));
  for (char16_t unit : text) PutInteger(out, static_cast<std::uint16_t>(unit));
}

// Bytes of an entry with empty strings.
constexpr std::size_t kSmallestEntry = 4 + 4 + 4 + 8 + 4;

}  // namespace

std::uint64_t ReadDataOffset(const char* header) {
  return HeaderReader(header, 8).Integer<std::uint64_t>();
}

std::vector<DirectoryRecord> DecodeHeader(const char* header, std::size_t length) {
  HeaderReader reader(header, length);
  if (reader.Integer<std::uint64_t>() != length) ThrowCompressError(compress_errc::unexpected_error);
  const std::uint32_t count = reader.Integer<std::uint32_t>();
  // A count the header cannot hold would otherwise size a huge vector.
  if (count > reader.remaining() / kSmallestEntry) ThrowCompressError(compress_errc::unexpected_error);
  std::vector<DirectoryRecord> records(count);
  for (DirectoryRecord& record : records) {
    record.source = reader.String();
    record.destination = reader.String();
    record.kind = reader.Integer<std::uint32_t>();
    record.size = reader.Integer<std::uint64_t>();
    record.crc = reader.Integer<std::uint32_t>();
  }
  if (reader.remaining() != 0) ThrowCompressError(compress_errc::unexpected_error);
  return records;
}

std::string EncodeHeader(const std::vector<DirectoryRecord>& records) {
  std::string header(8, '\0');
  PutInteger(header, static_cast<std::uint32_t>(records.size()));
  for (const DirectoryRecord& record : records) {
    PutString(header, record.source);
    PutString(header, record.destination);
    PutInteger(header, record.kind);
    PutInteger(header, record.size);
    PutInteger(header, record.crc);
  }
  std::string offset;
  PutInteger(offset, static_cast<std::uint64_t>(header.size()));
  header.replace(0, 8, offset);
  return header;
}

std::wstring SourceFileName(const std::wstring& source) {
  std::wstring name = LastElement(source);
  if (name.size() == source.size() && name.size() >= 2 && name[1] == L':') name.erase(0, 2);  // "C:name"
  if (name.empty() || name == L"." || name == L".." ||
      name.find_first_of(std::wstring(L":\0", 2)) != std::wstring::npos)
    return std::wstring();
  return name;
}

const char* DirectoryRecordFault(const DirectoryRecord& record) {
  if (SourceFileName(WideFromUtf16(record.source)).empty()) return "the source names no file";
  // The system would cut the path at a NUL: "App\\Meridel.exe\\0x" joined
  // with another entry's name would overwrite Meridel.exe.
  if (record.destination.find(u'\0') != std::u16string::npos) return "the destination holds a NUL";
  return nullptr;
}

std::uint64_t ExpectedLength(std::uint64_t dataOffset, const std::vector<DirectoryRecord>& records) {
  std::uint64_t total = dataOffset;
  for (const DirectoryRecord& record : records) {
    if (record.size > std::numeric_limits<std::uint64_t>::max() - total) return 0;
    total += record.size;
  }
  return total;
}

}  // namespace qw
