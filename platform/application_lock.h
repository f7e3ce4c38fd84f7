#pragma once
// The application lock: a machine-wide mutex named after the application id
// that the installer holds while it runs.

#include <string>

#include "platform/handles.h"

namespace qw {

class ApplicationLock {
 public:
  // Creates (or opens) the mutex of `applicationId`, not owned.
  explicit ApplicationLock(const std::wstring& applicationId);
  ApplicationLock(const ApplicationLock&) = delete;
  ApplicationLock& operator=(const ApplicationLock&) = delete;
  ~ApplicationLock();  // releases when owned, then closes

  // Acquires without waiting; an abandoned mutex counts as acquired.
  bool TryAcquire();
  void Release();
  bool owned() const { return owned_; }

 private:
  UniqueHandle mutex_;
  bool owned_ = false;
};

}  // namespace qw
