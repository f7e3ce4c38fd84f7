#include "product/data/sample_content.h"

namespace qw::sample {
namespace {

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

bool MakeSampleContent(const std::string& name, std::string& content) {
  if (EndsWith(name, ".mr-lib")) content = MakePartLibrary(name);
  else if (EndsWith(name, ".mat-quillon")) content = MakeMaterialLibrary(name);
  else if (EndsWith(name, ".mr-proj")) content = MakeSampleProject(name);
  else if (EndsWith(name, ".mr-cab")) content = MakeProjectCabinet(name);
  else if (EndsWith(name, ".bmp")) content = MakeBitmap(name, 320, 240);
  else if (EndsWith(name, ".jpg")) content = MakeTexture(name);
  else return false;
  return true;
}

}  // namespace qw::sample
