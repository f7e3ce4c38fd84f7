#include "engine/self_registration.h"

namespace qw {

bool RunSelfRegistration(const std::wstring& /*programPath*/, ApplicationLock& /*appLock*/,
                         InstallJournal& /*journal*/) {
  return true;
}

}  // namespace qw
