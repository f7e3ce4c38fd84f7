#include "test_payload.h"

#include <windows.h>

#include <boost/crc.hpp>
#include <boost/iostreams/copy.hpp>
#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/iostreams/filtering_stream.hpp>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "payload/unicode_text.h"
#include "payload/wide_path.h"

namespace qw::test {
namespace {

// bzip2 streams of 899,000 bytes of input each, one after the other, as
// the packer writes them (so that the tests' archives are read the way the
// shipped one is).
std::string CompressAsThePackerDoes(const std::string& plain) {
  namespace io = boost::iostreams;
  constexpr std::size_t kStreamInput = 899000;
  std::ostringstream result;
  std::size_t from = 0;
  do {
    const std::size_t size = std::min(kStreamInput, plain.size() - from);
    io::filtering_ostream out;
    out.push(io::bzip2_compressor());
    out.push(result);
    out.write(plain.data() + from, static_cast<std::streamsize>(size));
    out.reset();
    from += size;
  } while (from < plain.size());
  return result.str();
}

}  // namespace

std::string ReadArchiveFile(const std::wstring& path) {
  std::ifstream file(WidePath(path).string(), std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

std::vector<ListedEntry> ReadPackerList(const std::wstring& path) {
  std::ifstream file(WidePath(path).string(), std::ios::binary);
  std::vector<ListedEntry> entries;
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream fields(line);
    std::string kind, size, crc, destination;
    if (!std::getline(fields, kind, '\t') || !std::getline(fields, size, '\t') ||
        !std::getline(fields, crc, '\t') || !std::getline(fields, destination)) {
      continue;
    }
    entries.push_back({static_cast<std::uint32_t>(std::stoul(kind)), std::stoull(size),
                       static_cast<std::uint32_t>(std::stoul(crc, nullptr, 16)), WideFromUtf8(destination)});
  }
  return entries;
}

namespace {

std::string Decompressed(const std::string& archive) {
  namespace io = boost::iostreams;
  std::istringstream compressed(archive);
  io::filtering_istream in;
  in.push(io::bzip2_decompressor());
  in.push(compressed);
  std::ostringstream out;
  try {
    io::copy(in, out);
  } catch (const std::exception&) {
    return std::string();
  }
  return out.str();
}

// Little-endian reading of the header; false once it runs out.
struct HeaderReader {
  const std::string& bytes;
  std::size_t at = 0;
  bool ok = true;

  std::uint64_t Number(int size) {
    if (at + size > bytes.size()) {
      ok = false;
      return 0;
    }
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    at += size;
    return value;
  }
  std::wstring Text() {
    const std::uint64_t length = Number(4);
    std::wstring text;
    for (std::uint64_t i = 0; ok && i < length; ++i) text += static_cast<wchar_t>(Number(2));
    return text;
  }
};

}  // namespace

std::vector<ListedEntry> ListArchive(const std::string& archive) {
  const std::string plain = Decompressed(archive);
  HeaderReader header{plain};
  header.Number(8);
  const std::uint64_t count = header.Number(4);
  std::vector<ListedEntry> entries;
  for (std::uint64_t i = 0; header.ok && i < count; ++i) {
    const std::wstring source = header.Text();
    const std::wstring folder = header.Text();
    ListedEntry e;
    e.kind = static_cast<std::uint32_t>(header.Number(4));
    e.size = header.Number(8);
    e.crc = static_cast<std::uint32_t>(header.Number(4));
    const std::size_t slash = source.find_last_of(L"\\/");
    e.destination = folder + L"\\" + (slash == std::wstring::npos ? source : source.substr(slash + 1));
    entries.push_back(e);
  }
  if (!header.ok) entries.clear();
  return entries;
}

namespace {

void PutNumber(std::string& out, std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutText(std::string& out, const std::wstring& text) {
  PutNumber(out, text.size(), 4);
  for (wchar_t c : text) PutNumber(out, static_cast<std::uint16_t>(c), 2);
}

}  // namespace

std::string PackArchive(const std::vector<PackedFile>& files) {
  std::string directory;
  PutNumber(directory, files.size(), 4);
  for (const PackedFile& f : files) {
    PutText(directory, f.name);
    PutText(directory, f.folder);
    PutNumber(directory, f.kind, 4);
    PutNumber(directory, f.content.size(), 8);
    boost::crc_32_type crc;
    crc.process_bytes(f.content.data(), f.content.size());
    PutNumber(directory, crc.checksum(), 4);
  }
  std::string plain;
  PutNumber(plain, 8 + directory.size(), 8);
  plain += directory;
  for (const PackedFile& f : files) plain += f.content;

  return CompressAsThePackerDoes(plain);
}

std::string IncompressibleBytes(std::size_t size, std::uint32_t seed) {
  std::string bytes(size, '\0');
  std::uint32_t x = seed ? seed : 1;
  for (char& c : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x >> 24);
  }
  return bytes;
}

std::string PayloadOfInstaller(const std::wstring& path) {
  HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return std::string();
  std::string bytes;
  if (HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(134), MAKEINTRESOURCEW(260))) {
    if (HGLOBAL loaded = ::LoadResource(module, found)) {
      bytes.assign(static_cast<const char*>(::LockResource(loaded)), ::SizeofResource(module, found));
    }
  }
  ::FreeLibrary(module);
  return bytes;
}

std::string WithCorruptedContent(const std::string& archive, const std::string& marker) {
  namespace io = boost::iostreams;
  std::string plain;
  {
    std::istringstream compressed(archive);
    io::filtering_istream in;
    in.push(io::bzip2_decompressor());
    in.push(compressed);
    std::ostringstream out;
    io::copy(in, out);
    plain = out.str();
  }
  const std::size_t at = plain.find(marker);
  if (at == std::string::npos) return std::string();
  plain[at + marker.size()] ^= 0x20;
  return CompressAsThePackerDoes(plain);
}

std::wstring ResolveForTest(const std::wstring& destination, const std::wstring& installFolder,
                            const std::wstring& temporaryFolder) {
  for (const auto& [token, folder] : {std::pair<std::wstring, std::wstring>{L"<InstallPath>", installFolder},
                                      std::pair<std::wstring, std::wstring>{L"<Temporary>", temporaryFolder}}) {
    if (destination.compare(0, token.size(), token) == 0) return folder + destination.substr(token.size());
  }
  return destination;
}

bool FileCrc32(const std::wstring& path, std::uint32_t& crc, std::uint64_t& size) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  boost::crc_32_type sum;
  size = 0;
  char buffer[65536];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    sum.process_bytes(buffer, read);
    size += read;
  }
  ::CloseHandle(file);
  crc = sum.checksum();
  return true;
}

}  // namespace qw::test
