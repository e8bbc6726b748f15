// Fixed values of the kalvento provider: its version text and the host versions it accepts.
#pragma once

#include <cstdint>

#include "provider/ExportRequests.h"

namespace provider {

inline constexpr char kProviderVersion[] = "2.0.1";
inline constexpr std::int32_t kLowestHostVersion = 40333;

// AppVersionCheck: -1 refuses a host older than the lowest accepted version, 0 accepts it.
inline constexpr std::int32_t kHostVersionRefused = -1;

constexpr std::int32_t CheckHostVersion(std::int32_t hostVersion) {
    return hostVersion < kLowestHostVersion ? kHostVersionRefused : 0;
}

// The export server this build talks to: the production server or the local one (a build setting).
ExportServer ConfiguredExportServer();

}  // namespace provider
