// libFuzzer target for the reader's directory and data phases: the input
// is a decompressed archive after one byte that picks the block size the
// extractor is fed in (1 to 256), so the header and the files get split at
// every possible place. Decompression itself is libbz2's and is not fuzzed.
//
// Destinations come from the input; the callback skips every file outside
// the scratch folder so that a run never writes anywhere else.

#include <cstddef>
#include <cstdint>
#include <string>

#include <boost/filesystem.hpp>

#include "payload/archive_extractor.h"
#include "payload/wide_path.h"

namespace {

// One folder per process, removed when the process exits.
class Scratch {
 public:
  Scratch()
      : path_(boost::filesystem::temp_directory_path() / boost::filesystem::unique_path("qw-fuzz-%%%%-%%%%")) {
    boost::filesystem::create_directories(path_);
  }
  ~Scratch() {
    boost::system::error_code ignored;
    boost::filesystem::remove_all(path_, ignored);
  }
  const boost::filesystem::path& path() const { return path_; }

 private:
  boost::filesystem::path path_;
};

const boost::filesystem::path& ScratchFolder() {
  static const Scratch scratch;
  return scratch.path();
}

bool Inside(const boost::filesystem::path& path, const boost::filesystem::path& folder) {
  const boost::filesystem::path normal = path.lexically_normal();
  const std::string text = normal.string(), base = folder.string() + "/";
  return text.compare(0, base.size(), base) == 0 && normal.string().find("/../") == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t block = std::size_t{data[0]} + 1;
  const char* bytes = reinterpret_cast<const char*>(data + 1);
  const std::size_t length = size - 1;
  const boost::filesystem::path& scratch = ScratchFolder();

  qw::PayloadCallback callback = [&](qw::notification& n) {
    if (const auto* begin = std::get_if<qw::notification::file_begin>(&n.value))
      return Inside(begin->entry.destination, scratch) ? qw::notification::proceed : qw::notification::skip;
    return qw::notification::proceed;
  };
  qw::ArchiveExtractor extractor({qw::PathText(scratch / "install"), L"samples", L""}, callback,
                                 [&](int id) { return qw::PathText(scratch / std::to_string(id)); });
  try {
    for (std::size_t at = 0; at < length;) {
      const std::size_t offered = std::min(block, length - at);
      std::size_t taken = 0;
      while (taken < offered) taken += extractor.Write(bytes + at + taken, offered - taken);
      at += offered;
    }
    extractor.Finish();
  } catch (const std::exception&) {
    // Every rejection is an exception; crashes, hangs and leaks are the findings.
  }
  boost::system::error_code ignored;
  for (boost::filesystem::directory_iterator it(scratch, ignored), end; it != end; it.increment(ignored))
    boost::filesystem::remove_all(it->path(), ignored);
  return 0;
}
