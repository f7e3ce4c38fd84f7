// The application lock and the instance counter against real kernel objects,
// with a second process (named_object_helper) where the behaviour is about
// other processes. Every test uses names of its own.

#include <windows.h>
#include <aclapi.h>

#include <gtest/gtest.h>

#include "child_process.h"
#include "dialog_driver.h"
#include "helper_process.h"
#include "platform/application_lock.h"
#include "platform/global_named_objects.h"
#include "platform/instance_counter.h"

namespace qw {
namespace {

using test::ChildProcess;
using test::UniqueName;
using test::WaitingHelper;

TEST(NamedObjectNames, FollowTheApplicationId) {
  EXPECT_EQ(ApplicationLockName(L"Meridel6"), L"Meridel6.{5ead623c-dfcd-474d-8e3c-e6978cac039e}");
  EXPECT_EQ(InstanceCounterName(L"Meridel6"), L"Meridel6.{a3526b56-ca7c-4e16-8a26-da7758a378fd}");
}

TEST(GlobalNamedObjects, SecondCreationOpensTheSameMutex) {
  const std::wstring name = UniqueName(L"QwTestMutex");
  const UniqueHandle first = CreateGlobalMutex(false, name);
  ASSERT_TRUE(first);
  EXPECT_NE(::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  const UniqueHandle second = CreateGlobalMutex(false, name);
  ASSERT_TRUE(second);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  const UniqueHandle opened(::OpenMutexW(SYNCHRONIZE, FALSE, (L"Global\\" + name).c_str()));
  EXPECT_TRUE(opened);
}

TEST(GlobalNamedObjects, ExistingSemaphoreKeepsItsCount) {
  const std::wstring name = UniqueName(L"QwTestSemaphore");
  const UniqueHandle first = CreateGlobalSemaphore(0, 10, name);
  ASSERT_TRUE(first);
  ASSERT_TRUE(::ReleaseSemaphore(first.get(), 3, nullptr));
  const UniqueHandle second = CreateGlobalSemaphore(0, 10, name);
  ASSERT_TRUE(second);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  LONG previous = -1;
  ASSERT_TRUE(::ReleaseSemaphore(second.get(), 1, &previous));
  EXPECT_EQ(previous, 3);
}

TEST(GlobalNamedObjects, AllowEveryoneFullAccess) {
  const UniqueHandle mutex = CreateGlobalMutex(false, UniqueName(L"QwTestMutexAcl"));
  ASSERT_TRUE(mutex);
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_EQ(::GetSecurityInfo(mutex.get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &descriptor),
            static_cast<DWORD>(ERROR_SUCCESS));
  const UniqueLocalMemory owner(descriptor);
  ASSERT_NE(dacl, nullptr);
  ASSERT_EQ(dacl->AceCount, 1);
  void* ace = nullptr;
  ASSERT_TRUE(::GetAce(dacl, 0, &ace));
  auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
  EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
  EXPECT_EQ(allowed->Mask, static_cast<DWORD>(MUTEX_ALL_ACCESS));
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  ASSERT_TRUE(::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
  EXPECT_TRUE(::EqualSid(&allowed->SidStart, everyone));
  ::FreeSid(everyone);
}

TEST(ApplicationLock, ReleaseAndAcquireAgainInOneProcess) {
  ApplicationLock lock(UniqueName(L"QwTestLock"), false, true);
  EXPECT_FALSE(lock.owned());
  EXPECT_TRUE(lock.TryAcquire());
  EXPECT_TRUE(lock.TryAcquire());  // already held: not counted twice
  lock.Release();
  EXPECT_FALSE(lock.owned());
  EXPECT_TRUE(lock.TryAcquire());
  EXPECT_TRUE(lock.owned());
}

TEST(ApplicationLock, HeldByAnotherProcessUntilItReleases) {
  const std::wstring name = UniqueName(L"QwTestLock");
  ApplicationLock lock(name, false, true);
  WaitingHelper holder(L"hold-lock", name);
  ASSERT_TRUE(holder.ready());
  EXPECT_FALSE(lock.TryAcquire());
  EXPECT_FALSE(lock.owned());
  EXPECT_EQ(holder.Quit(), 0u);
  EXPECT_TRUE(lock.TryAcquire());
}

TEST(ApplicationLock, ReleasedOnDestruction) {
  const std::wstring name = UniqueName(L"QwTestLock");
  ApplicationLock keeper(name, false, true);  // keeps the mutex alive
  {
    ApplicationLock lock(name, false, true);
    ASSERT_TRUE(lock.TryAcquire());
    WaitingHelper blocked(L"hold-lock", name);
    EXPECT_FALSE(blocked.ready());
  }
  WaitingHelper holder(L"hold-lock", name);
  EXPECT_TRUE(holder.ready());
}

TEST(ApplicationLock, AbandonedLockIsAcquired) {
  const std::wstring name = UniqueName(L"QwTestLock");
  // This handle keeps the mutex in existence after its holder died.
  ApplicationLock lock(name, false, true);
  ChildProcess holder = ChildProcess::Start(test::HelperPath(), L"abandon-lock \"" + name + L"\"");
  ASSERT_TRUE(holder.valid());
  ASSERT_TRUE(holder.WaitForExit(test::kWindowTimeoutMs));
  ASSERT_EQ(holder.ExitCode(), 7u) << "the helper did not hold the lock when it ended";
  EXPECT_TRUE(lock.TryAcquire());
}

TEST(ApplicationLock, InitialOwnerHoldsIt) {
  const std::wstring name = UniqueName(L"QwTestLock");
  ApplicationLock lock(name, true, true);
  EXPECT_TRUE(lock.owned());
  WaitingHelper other(L"hold-lock", name);
  EXPECT_FALSE(other.ready());
  EXPECT_EQ(other.process().ExitCode(), 4u);
}

TEST(InstanceCounter, CountsRegistrationsOfOneApplication) {
  const std::wstring id = UniqueName(L"QwTestApp");
  InstanceCounter first(id);
  EXPECT_EQ(first.Count(), 0u);
  first.Register();
  EXPECT_EQ(first.ownCount(), 1);
  EXPECT_EQ(first.Count(), 1u);
  EXPECT_EQ(first.Count(), 1u);  // the probe gives its unit back

  InstanceCounter second(id);
  second.Register();
  EXPECT_EQ(first.Count(), 2u);
  second.Deregister();
  EXPECT_EQ(second.ownCount(), 0);
  EXPECT_EQ(first.Count(), 1u);
  EXPECT_EQ(second.Count(), 0u);  // its handle is closed
}

TEST(InstanceCounter, WithoutSemaphoreCountsNothing) {
  // A name the object namespace refuses ("Global\a\b" names a missing folder).
  InstanceCounter counter(UniqueName(L"QwTestApp") + L"\\missing");
  counter.Register();
  EXPECT_EQ(counter.ownCount(), 0);
  EXPECT_EQ(counter.Count(), 0u);
}

TEST(InstanceCounter, AnotherProcessCountsUntilItExits) {
  const std::wstring id = UniqueName(L"QwTestApp");
  InstanceCounter mine(id);
  mine.Register();
  {
    WaitingHelper product(L"register", id);
    ASSERT_TRUE(product.ready());
    EXPECT_EQ(mine.Count(), 2u);
    EXPECT_EQ(product.Quit(), 0u);
  }
  // The helper left the count at its exit.
  EXPECT_EQ(mine.Count(), 1u);
}

TEST(InstanceCounter, ProcessRegistersOnce) {
  const std::wstring id = UniqueName(L"QwTestApp");
  RegisterInstance(id);
  RegisterInstance(id);
  RegisterInstance(UniqueName(L"QwTestOtherApp"));
  EXPECT_EQ(CountRunningInstances(), 1u);
  InstanceCounter probe(id);
  EXPECT_EQ(probe.Count(), 1u);
  DeregisterInstance();
  EXPECT_EQ(probe.Count(), 0u);
}

}  // namespace
}  // namespace qw
