#include "payload/payload_resource.h"

#include <windows.h>

#include "i18n/language_state.h"

namespace qw {

ArchiveBytes FindPayloadResourceIn(HMODULE module) {
  const HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(kPayloadResourceName),
                                     MAKEINTRESOURCEW(kPayloadResourceType));
  if (!info) return {};
  const DWORD size = ::SizeofResource(module, info);
  const HGLOBAL loaded = ::LoadResource(module, info);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes || size == 0) return {};
  return {static_cast<const char*>(bytes), size};
}

ArchiveBytes FindPayloadResource() {
  const HMODULE resources = GetResourceModule();
  const HMODULE executable = ::GetModuleHandleW(nullptr);
  ArchiveBytes bytes = FindPayloadResourceIn(resources);
  if (!bytes.data && resources != executable) bytes = FindPayloadResourceIn(executable);
  return bytes;
}

}  // namespace qw
