#pragma once
// The packer's manifest: a UTF-8 text file with one archive entry a line,
//
//   kind | destination | source
//
// kind 0 to 5, the destination folder in placeholder form, and the source
// file (relative paths are taken from the manifest's folder). Blank lines
// and lines starting with "#" are ignored; spaces around fields are not
// part of them.

#include <cstdint>
#include <string>
#include <vector>

namespace qw {

struct ManifestEntry {
  std::uint32_t kind = 0;
  std::wstring destination;
  std::string sourceText;  // as written in the manifest
  std::string sourceFile;  // where to read it
  int line = 0;
};

// The entries of the manifest file at `path`. Throws std::runtime_error with
// one line of explanation (naming the manifest line) for an unreadable
// file, a malformed line, a kind outside 0..5, a destination that
// CheckDestinationFolder refuses, a source that gives no plain file name or
// one Windows cannot create, or a second entry for a file an earlier line
// installs already (naming both lines). Source files are not opened here.
std::vector<ManifestEntry> ReadManifest(const std::string& path);

// One line's fields: the number of fields, the kind and a source that gives
// a file name; throws std::runtime_error without the line number. The
// entry rules (PayloadEntryRules) are ReadManifest's, since some of them
// look at the lines before.
ManifestEntry ParseManifestLine(const std::string& line);

}  // namespace qw
