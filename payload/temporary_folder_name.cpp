#include "payload/temporary_folder_name.h"

#include <boost/uuid/random_generator.hpp>
#include <boost/uuid/uuid_io.hpp>

namespace qw {

std::wstring NewTemporaryFolderName() {
  boost::uuids::random_generator generator;
  return L"quillon_{" + boost::uuids::to_wstring(generator()) + L"}";
}

}  // namespace qw
