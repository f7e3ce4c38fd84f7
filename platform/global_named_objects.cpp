#include "platform/global_named_objects.h"

#include "platform/object_security.h"

namespace qw {

namespace {

constexpr wchar_t kGlobalPrefix[] = L"Global\\";

// Runs `create` with the Everyone security; keeps the last error it left.
template <typename Create>
UniqueHandle CreateWithEveryoneAccess(DWORD accessMask, Create create) {
  DWORD error = ERROR_SUCCESS;
  UniqueHandle handle;
  {
    ObjectSecurity security;
    try {
      security = BuildObjectSecurity(accessMask);
    } catch (...) {
      ::SetLastError(ERROR_CAN_NOT_COMPLETE);
      return UniqueHandle();
    }
    handle.reset(create(&security.attributes));
    error = ::GetLastError();
  }  // the descriptor and the ACL are freed here
  ::SetLastError(error);
  return handle;
}

}  // namespace

UniqueHandle CreateGlobalMutex(bool initialOwner, const std::wstring& name) {
  const std::wstring fullName = kGlobalPrefix + name;
  return CreateWithEveryoneAccess(MUTEX_ALL_ACCESS, [&](SECURITY_ATTRIBUTES* attributes) {
    return ::CreateMutexW(attributes, initialOwner, fullName.c_str());
  });
}

UniqueHandle CreateGlobalSemaphore(LONG initialCount, LONG maximumCount,
                                   const std::wstring& name) {
  const std::wstring fullName = kGlobalPrefix + name;
  return CreateWithEveryoneAccess(SEMAPHORE_ALL_ACCESS, [&](SECURITY_ATTRIBUTES* attributes) {
    return ::CreateSemaphoreW(attributes, initialCount, maximumCount, fullName.c_str());
  });
}

}  // namespace qw
