#include "platform/instance_counter.h"

#include <mutex>

#include "platform/global_named_objects.h"
#include "platform/maker_library.h"

namespace qw {

std::wstring InstanceCounterName(const std::wstring& applicationId) {
  return applicationId + L".{a3526b56-ca7c-4e16-8a26-da7758a378fd}";
}

InstanceCounter::InstanceCounter(const std::wstring& applicationId)
    : semaphore_(CreateGlobalSemaphore(0, 0x7FFFFFFF, InstanceCounterName(applicationId))) {}

InstanceCounter::~InstanceCounter() { Deregister(); }

void InstanceCounter::Register() {
  if (semaphore_ && ::ReleaseSemaphore(semaphore_.get(), 1, nullptr)) ++ownCount_;
}

std::uint32_t InstanceCounter::Count() const {
  LONG previous = 0;
  if (semaphore_ && ::ReleaseSemaphore(semaphore_.get(), 1, &previous)) {
    ::WaitForSingleObject(semaphore_.get(), 0);  // a failed take-back is ignored
  }
  return static_cast<std::uint32_t>(previous);
}

void InstanceCounter::Deregister() {
  if (ownCount_ > 0) {
    LONG taken = 0;
    while (taken < ownCount_ && ::WaitForSingleObject(semaphore_.get(), 0) == WAIT_OBJECT_0) {
      ++taken;
    }
    if (taken == ownCount_) {
      ownCount_ = 0;
    } else if (taken > 0) {
      ::ReleaseSemaphore(semaphore_.get(), taken, nullptr);
    }
  }
  semaphore_.reset();
}

namespace {

std::once_flag g_registration;
InstanceCounter* g_processCounter = nullptr;

}  // namespace

void RegisterInstance(const std::wstring& applicationId) {
  std::call_once(g_registration, [&applicationId] {
    // Destroyed at process exit, which takes this process's unit back.
    static InstanceCounter counter(applicationId);
    counter.Register();
    g_processCounter = &counter;
  });
}

std::uint32_t CountRunningInstances() {
  RegisterInstance(ApplicationId());
  return g_processCounter->Count();
}

void DeregisterInstance() {
  if (g_processCounter) g_processCounter->Deregister();
}

}  // namespace qw
