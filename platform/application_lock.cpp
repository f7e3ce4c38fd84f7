// Provisional: always acquired, until the named mutex lands.
#include "platform/application_lock.h"

namespace qw {

ApplicationLock::ApplicationLock(const std::wstring&) {}
ApplicationLock::~ApplicationLock() { Release(); }
bool ApplicationLock::TryAcquire() { return owned_ = true; }
void ApplicationLock::Release() { owned_ = false; }

}  // namespace qw
