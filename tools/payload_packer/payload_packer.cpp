// payload_packer: makes, lists and verifies the installer's payload archive.
// Every failure prints one line on stderr and exits with status 1; usage
// errors exit with status 2.

#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <string>

#include "payload/unicode_text.h"
#include "tools/payload_packer/archive_inspection.h"
#include "tools/payload_packer/archive_packing.h"
#include "tools/payload_packer/payload_manifest.h"

namespace {

const char kHelp[] =
    "usage: payload_packer pack MANIFEST OUTPUT\n"
    "       payload_packer list ARCHIVE\n"
    "       payload_packer verify ARCHIVE\n"
    "       payload_packer --help\n"
    "\n"
    "pack    makes OUTPUT, the payload archive of the files MANIFEST lists: a\n"
    "        header (u64 data offset, u32 entry count, then per entry the\n"
    "        UTF-16LE source path and destination folder, each after its u32\n"
    "        length in code units, u32 kind, u64 size, u32 CRC-32; all\n"
    "        little-endian), then the file contents in the same order, the\n"
    "        whole compressed as bzip2 streams with 900k blocks (\"BZh9\"),\n"
    "        one stream per 899,000 bytes, written one after the other (one\n"
    "        bzip2 file: bzip2 -t and bzip2 -d accept it).\n"
    "        OUTPUT is written under a temporary name and appears only when\n"
    "        complete.\n"
    "list    prints the archive's entries, one a line: kind, size, CRC-32,\n"
    "        destination folder and file name.\n"
    "verify  decompresses the archive and checks its header, its total length\n"
    "        and the CRC-32 of every entry, and holds every entry to the\n"
    "        installer's tests and to the manifest's rules below.\n"
    "\n"
    "MANIFEST is UTF-8 text with one entry a line:\n"
    "\n"
    "    kind | destination | source\n"
    "\n"
    "  kind         0 program file, 1 main program, 2 uninstaller, 3 user data\n"
    "               (never overwritten), 4 sample or texture (not rewritten by\n"
    "               an update), 5 temporary setup file (deleted after the\n"
    "               installation: in <Temporary> itself, and nothing else is);\n"
    "               at most one main program and one uninstaller\n"
    "  destination  folder in placeholder form, e.g. <InstallPath>\\Lang; it\n"
    "               starts with one of\n"
    "               <InstallPath> <SamplePath> <ProgramFiles> <ProgramCommon>\n"
    "               <CommonData> <UserData> <CommonDocuments> <Documents>\n"
    "               <CommonDesktop> <Desktop> <WinDir> <System> <Temporary>\n"
    "               and its other names are no \".\" or \"..\"\n"
    "  source       the regular file to pack, relative to the manifest's\n"
    "               folder; its last component is the installed file's name\n"
    "\n"
    "Names must be ones Windows can create: no control characters, none of\n"
    "<>:\"|?*, no trailing dot or space, no device name such as CON or COM1.\n"
    "Two lines may not install the same file (compared as Windows does).\n"
    "\n"
    "Blank lines and lines starting with # are ignored.\n"
    "Exit status: 0 success, 1 failure (one line on stderr), 2 usage error.\n";

int Usage() {
  std::cerr << "payload_packer: wrong arguments; see payload_packer --help\n";
  return 2;
}

std::string Hex(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

void List(const qw::ArchiveSummary& summary) {
  for (const qw::DirectoryRecord& record : summary.records) {
    const std::wstring source = qw::WideFromUtf16(record.source);
    std::cout << record.kind << '\t' << record.size << '\t' << Hex(record.crc) << '\t'
              << qw::Utf8FromWide(qw::WideFromUtf16(record.destination)) << '\\'
              << qw::Utf8FromWide(qw::SourceFileName(source)) << '\n';
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--help") {
    std::cout << kHelp;
    return 0;
  }
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  try {
    if (command == "pack" && argc == 4) {
      const std::uint64_t size = qw::PackManifest(qw::ReadManifest(argv[2]), argv[3]);
      std::cout << argv[3] << ": " << size << " bytes\n";
    } else if (command == "list" && argc == 3) {
      List(qw::ReadArchiveDirectory(argv[2]));
    } else if (command == "verify" && argc == 3) {
      const qw::ArchiveSummary summary = qw::VerifyArchiveFile(argv[2]);
      std::cout << argv[2] << ": " << summary.records.size() << " entries, data offset "
                << summary.dataOffset << ", " << summary.decompressedBytes << " bytes from "
                << summary.compressedBytes << ", every CRC-32 matches\n";
    } else {
      return Usage();
    }
  } catch (const std::exception& error) {
    std::cerr << "payload_packer: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
