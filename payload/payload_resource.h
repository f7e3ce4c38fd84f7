#pragma once
// Where the payload archive travels: resource type 260, name 134 of the
// module that holds the current language's resources, or else of the
// executable. Windows only.

#include <windows.h>

#include "payload/payload_archive.h"

namespace qw {

constexpr int kPayloadResourceType = 260;
constexpr int kPayloadResourceName = 134;

// The locked resource bytes, valid while the module stays loaded; empty
// when neither module has the resource or it has size 0.
ArchiveBytes FindPayloadResource();

// The payload resource of `module` alone; empty when it has none.
ArchiveBytes FindPayloadResourceIn(HMODULE module);

}  // namespace qw
