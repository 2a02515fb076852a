#pragma once
// Where the framework keeps its parameters: the key depends on the Windows family and version.

#include <cstdint>
#include <string>

#include "platform/Platform.h"

namespace qx::qxmsica {

// The platform identifier of the system's version information; 0 when the query fails.
uint32_t GetPlatformId(Platform& os);
// The major version on the NT family; 0 on any other platform or when the query fails.
uint32_t GetNtMajorVersion(Platform& os);

// The parameter key under HKLM for a platform and NT major version; "" when neither the
// 95/98/Me nor the NT family.
std::string QxeParameterKey(uint32_t platformId, uint32_t ntMajorVersion);

}  // namespace qx::qxmsica
