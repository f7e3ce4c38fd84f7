#pragma once
// The byte format of the decompressed payload archive: a header (u64 data
// offset, u32 entry count, the directory entries) followed by the file
// contents in directory order. Little-endian, strings UTF-16LE without
// terminator, no magic and no version. Only the header is handled here; the
// file data is the reader's and the packer's business.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qw {

struct DirectoryRecord {
  std::u16string source;       // path on the machine that built the archive
  std::u16string destination;  // folder in placeholder form
  std::uint32_t kind = 0;
  std::uint64_t size = 0;
  std::uint32_t crc = 0;
};

// The smallest header: data offset and entry count.
constexpr std::uint64_t kMinimumDataOffset = 12;
// The largest header the reader buffers. The format has no limit; this one
// keeps a corrupt offset from making the reader allocate without bound while
// allowing some 150,000 entries.
constexpr std::uint64_t kMaximumDataOffset = 16u << 20;

// Whether the reader accepts `dataOffset` as the length of a header.
constexpr bool IsPlausibleDataOffset(std::uint64_t dataOffset) {
  return dataOffset >= kMinimumDataOffset && dataOffset <= kMaximumDataOffset;
}

// The data offset stored in the first 8 bytes of `header`.
std::uint64_t ReadDataOffset(const char* header);

// The directory of a complete header of `length` bytes (the data offset,
// counting its own 8 bytes). Throws the "compress" error unexpected_error
// when the offset is not `length`, when an entry runs past the end or when
// the entries do not fill the header exactly: the format cannot tell where
// such a directory ends, so it is not trusted at all.
std::vector<DirectoryRecord> DecodeHeader(const char* header, std::size_t length);

// The header describing `records`, ready to be followed by the file data.
std::string EncodeHeader(const std::vector<DirectoryRecord>& records);

// The file name an entry's source gives, by Windows path rules (both "\" and
// "/" separate; a leading drive such as "C:" is not part of the name). Empty
// when the last component is no plain file name: empty, ".", "..", or
// holding a ":" or a NUL, which would name a stream, a device or a shorter
// name than the one stored.
std::wstring SourceFileName(const std::wstring& source);

// Why the reader refuses `record` before writing any file, or null when it
// takes it: a source that gives no file name (SourceFileName), or a NUL in
// the destination. The packer's verify command runs the same test.
const char* DirectoryRecordFault(const DirectoryRecord& record);

// Offset plus sizes, or 0 when the sum does not fit in 64 bits.
std::uint64_t ExpectedLength(std::uint64_t dataOffset, const std::vector<DirectoryRecord>& records);

}  // namespace qw
