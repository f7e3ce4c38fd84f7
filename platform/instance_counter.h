#pragma once
// The machine-wide count of the application's running processes, shared by
// the installer and the installed product: a semaphore named after the
// application id whose count is the number of registered processes. Every
// process of the application registers once (the maker library's
// initialisation does it) and leaves the count at process exit.
//
// The count is a snapshot: other processes may come and go while it is
// read. A process that is killed before it exits leaves its unit behind
// until the last handle to the semaphore is closed.

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace qw {

// The counter's name for `applicationId`, without the "Global\" prefix:
// for "Meridel6", Meridel6.{a3526b56-ca7c-4e16-8a26-da7758a378fd}.
std::wstring InstanceCounterName(const std::wstring& applicationId);

// One handle to the counter of an application and the units added through
// it. The process-wide record below is one of these; tests make their own.
class InstanceCounter {
 public:
  // Creates or opens the semaphore (an existing one keeps its count). When
  // that fails the counter has no handle: registering adds nothing and the
  // count reads 0.
  explicit InstanceCounter(const std::wstring& applicationId);
  InstanceCounter(const InstanceCounter&) = delete;
  InstanceCounter& operator=(const InstanceCounter&) = delete;
  ~InstanceCounter();  // Deregister()

  // Adds one unit for this process.
  void Register();
  // The number of registered processes, read by adding a unit and taking it
  // back at once. 0 without a handle.
  std::uint32_t Count() const;
  // Takes back the units this counter added and closes the handle. When a
  // unit cannot be taken back, the units already taken are returned and the
  // own count stays as it was (the handle is closed all the same).
  void Deregister();

  LONG ownCount() const { return ownCount_; }

 private:
  UniqueHandle semaphore_;
  LONG ownCount_ = 0;
};

// Registers this process under `applicationId`, once per process (later
// calls, also with another id, do nothing); it leaves the count at exit.
void RegisterInstance(const std::wstring& applicationId);

// Number of registered processes of the application, this one included.
// Registers this process under the maker library's application id first
// when it has not registered yet.
std::uint32_t CountRunningInstances();

// Leaves the count now instead of at exit.
void DeregisterInstance();

}  // namespace qw
