#include "platform/application_lock.h"

#include "platform/global_named_objects.h"

namespace qw {

std::wstring ApplicationLockName(const std::wstring& applicationId) {
  return applicationId + L".{5ead623c-dfcd-474d-8e3c-e6978cac039e}";
}

ApplicationLock::ApplicationLock(const std::wstring& name, bool initialOwner, bool global) {
  if (global) {
    mutex_ = CreateGlobalMutex(initialOwner, name);
  } else {
    mutex_.reset(::CreateMutexW(nullptr, initialOwner, name.c_str()));
  }
  if (!mutex_ || !initialOwner) return;
  // An existing mutex is opened without being owned: wait for its holder.
  owned_ = ::GetLastError() != ERROR_ALREADY_EXISTS || Wait(INFINITE);
}

ApplicationLock::~ApplicationLock() {
  Release();
}

bool ApplicationLock::Wait(DWORD timeout) {
  const DWORD result = ::WaitForSingleObject(mutex_.get(), timeout);
  return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

bool ApplicationLock::TryAcquire() {
  // A second wait by the holder would count twice, and one Release would
  // then no longer give the lock up.
  if (owned_) return true;
  owned_ = mutex_ && Wait(0);
  return owned_;
}

void ApplicationLock::Release() {
  if (owned_) ::ReleaseMutex(mutex_.get());
  owned_ = false;
}

}  // namespace qw
