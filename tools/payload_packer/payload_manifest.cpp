#include "tools/payload_packer/payload_manifest.h"

#include <boost/filesystem/path.hpp>

#include <fstream>
#include <stdexcept>

#include "payload/payload_format.h"
#include "payload/payload_kind.h"
#include "payload/unicode_text.h"
#include "tools/payload_packer/payload_entry_rules.h"

namespace qw {
namespace {

std::string Trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t bar = line.find('|', start);
    fields.push_back(Trim(line.substr(start, bar - start)));
    if (bar == std::string::npos) return fields;
    start = bar + 1;
  }
}

std::uint32_t ParseKind(const std::string& field) {
  if (field.size() != 1 || field[0] < '0' ||
      static_cast<std::uint32_t>(field[0] - '0') >= kPayloadKindCount)
    throw std::runtime_error("kind \"" + field + "\" is not a number from 0 to 5");
  return static_cast<std::uint32_t>(field[0] - '0');
}

}  // namespace

ManifestEntry ParseManifestLine(const std::string& line) {
  const std::vector<std::string> fields = SplitFields(line);
  if (fields.size() != 3) throw std::runtime_error("expected \"kind | destination | source\"");
  ManifestEntry entry;
  entry.kind = ParseKind(fields[0]);
  entry.destination = WideFromUtf8(fields[1]);
  entry.sourceText = fields[2];
  if (SourceFileName(WideFromUtf8(entry.sourceText)).empty())
    throw std::runtime_error("source \"" + entry.sourceText + "\" names no file");
  entry.sourceFile = entry.sourceText;
  return entry;
}

std::vector<ManifestEntry> ReadManifest(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read manifest " + path);
  const boost::filesystem::path folder = boost::filesystem::path(path).parent_path();
  std::vector<ManifestEntry> entries;
  PayloadEntryRules rules;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::string text = Trim(line);
    if (text.empty() || text[0] == '#') continue;
    try {
      ManifestEntry entry = ParseManifestLine(text);
      entry.line = number;
      rules.Check(entry.kind, entry.destination, SourceFileName(WideFromUtf8(entry.sourceText)),
                  number, "line");
      const boost::filesystem::path source(entry.sourceFile);
      if (source.is_relative()) entry.sourceFile = (folder / source).string();
      entries.push_back(std::move(entry));
    } catch (const std::runtime_error& error) {
      throw std::runtime_error(path + ":" + std::to_string(number) + ": " + error.what());
    }
  }
  if (in.bad()) throw std::runtime_error("cannot read manifest " + path);
  return entries;
}

}  // namespace qw
