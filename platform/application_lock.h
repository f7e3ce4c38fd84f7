#pragma once
// The application lock: a machine-wide mutex named after the application id
// that the installer holds while it runs, so that a second installer (or the
// product, while the installer runs) can tell. It is a plain owner of one
// mutex, used from one thread; ownership belongs to the thread that
// acquired it.

#include <string>

#include "platform/handles.h"

namespace qw {

// The lock's name for `applicationId`, without the "Global\" prefix:
// for "Meridel6", Meridel6.{5ead623c-dfcd-474d-8e3c-e6978cac039e}.
std::wstring ApplicationLockName(const std::wstring& applicationId);

class ApplicationLock {
 public:
  // Creates or opens the mutex: "Global\" + `name` with access for every
  // user when `global`, else `name` with default security. With
  // `initialOwner`, waits (without time limit) until this thread holds it
  // when it already existed. Without a mutex the lock is simply never owned.
  ApplicationLock(const std::wstring& name, bool initialOwner, bool global);
  ApplicationLock(const ApplicationLock&) = delete;
  ApplicationLock& operator=(const ApplicationLock&) = delete;
  ~ApplicationLock();  // releases when owned, then closes

  // Acquires without waiting; a mutex whose holder ended without releasing
  // it (abandoned) counts as acquired. Returns whether this thread now
  // holds the lock; an owned lock is not acquired a second time.
  bool TryAcquire();
  // Gives the lock up when owned.
  void Release();
  bool owned() const { return owned_; }

 private:
  // Whether this thread holds the mutex once a wait of `timeout` ends.
  bool Wait(DWORD timeout);

  UniqueHandle mutex_;
  bool owned_ = false;
};

}  // namespace qw
