#include "output_file.h"

#include <sys/stat.h>

#include <cstdio>
#include <fstream>

namespace artwork {

bool WriteOutputFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  if (out) {
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();  // sets failbit when the last flush or the close fails
  }
  if (out) return true;
  RemoveOutputFile(path);
  return false;
}

void RemoveOutputFile(const std::string& path) {
  struct stat status;
  if (::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) std::remove(path.c_str());
}

}  // namespace artwork
